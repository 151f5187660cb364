#!/usr/bin/env bash
# Builds Wordloom and runs every test: the normal build, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzzer for a while.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/bootstrap.sh"

jobs=$(nproc)
# The tests run on the optimised code a release ships, without debug information (which would
# double the build's time). Test hooks let the updater's tests use their own feed and signing
# key; releases never have them.
# The libraries build as unity builds here; the default build checks that each file compiles alone.
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DWORDLOOM_TEST_HOOKS=ON -DWORDLOOM_UNITY_BUILD=ON >/dev/null
cmake --build "$root/build"
ctest --test-dir "$root/build" --output-on-failure -j "$jobs"

# Clang builds the sanitized code in about two thirds of GCC's time.
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DWORDLOOM_SANITIZE=ON -DWORDLOOM_BENCH=OFF -DWORDLOOM_TEST_HOOKS=ON \
  -DWORDLOOM_UNITY_BUILD=ON >/dev/null
cmake --build "$root/build-sanitize"
ctest --test-dir "$root/build-sanitize" --output-on-failure -j "$jobs"

# A short run in CI catches what the committed seeds and a few mutations find; the long runs
# (scripts/fuzz.sh with more seconds) are made by hand.
"$root/scripts/fuzz.sh" "${WORDLOOM_FUZZ_SECONDS:-10}"
