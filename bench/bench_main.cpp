// The entry point of every benchmark here.
#include <benchmark/benchmark.h>
#include <malloc.h>

int main(int argc, char** argv) {
  // glibc adapts when it hands memory back to the system to the sizes freed
  // so far, so a benchmark's cost depended on which benchmarks ran before it:
  // the same master load measured 9.6 or 12.1 ms by order alone, the gap
  // being pages handed back and faulted in again. Fixed thresholds keep freed
  // memory in the process for every benchmark alike.
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
