#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs each for a number of seconds, starting from the seeds in fuzz/corpus/<target>.
#
#   scripts/fuzz.sh [seconds] [target...]
#
# seconds defaults to 60; without targets, every target that has a seed folder runs.
# New inputs go to <build>/corpus/<target>, crashing ones to <build>/crashes/.
# Build folder: $WORDLOOM_FUZZ_BUILD, default build-fuzz in the source tree.
set -euo pipefail

seconds=${1:-60}
shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WORDLOOM_FUZZ_BUILD:-$root/build-fuzz}

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for dir in "$root"/fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DWORDLOOM_FUZZ=ON -DWORDLOOM_SANITIZE=ON -DWORDLOOM_TESTS=OFF -DWORDLOOM_BENCH=OFF >/dev/null
ninja -C "$build" -j2 "${targets[@]}"

mkdir -p "$build/crashes"
status=0
for target in "${targets[@]}"; do
  mkdir -p "$build/corpus/$target"
  echo "fuzz: $target for ${seconds}s"
  # The first folder receives new inputs; the seeds in the tree stay as committed.
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$build/crashes/$target-" \
      "$build/corpus/$target" "$root/fuzz/corpus/$target" 2>"$build/$target.log"; then
    status=1
    grep -E "ERROR|SUMMARY|Test unit written" "$build/$target.log" || tail -20 "$build/$target.log"
  fi
  grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb" "$build/$target.log" |
    sed "s/^/fuzz: $target /"
done
exit $status
