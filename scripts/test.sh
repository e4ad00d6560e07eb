#!/usr/bin/env bash
# Builds everything and runs all tests twice: in a normal build and in a
# build with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=${JOBS:-2}
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

run() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure --no-tests=error -j"$jobs" --timeout 300
}

run build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALVORA_BUILD_TESTS=ON
run build-asan -DCMAKE_BUILD_TYPE=Debug -DCALVORA_SANITIZE=ON -DCALVORA_BUILD_TESTS=ON
