#!/usr/bin/env bash
# Build and run the whole test suite twice: a normal build in build/ and a build with
# AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/setup.sh
capcode_install_missing
jobs=$(capcode_jobs)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCAPCODE_SANITIZE=ON
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"
