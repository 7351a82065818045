#!/usr/bin/env bash
# Build and run the whole test suite twice: a normal build in build/ and a build with
# AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/; then, when clang is there, the
# libFuzzer targets in build-fuzz/ (their corpora, and a short run of each). The normal build
# is also packaged, installed, tried and removed (as root, and only where capcode is not
# installed already). Installs the packages of scripts/packages-{run,package,test}.txt that are
# missing. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/setup.sh

# Each step says how long it took, so that a slow run shows where its time went.
timed() {
  local what=$1 start=$SECONDS
  shift
  "$@"
  echo "== $what: $((SECONDS - start)) s =="
}

timed "the packages" capcode_install_missing run package test
jobs=$(capcode_jobs)

# The real back ends on an emulated kernel (label kernel), on their own so that their count and
# time stand in the output; the complete parallel-port write (label slow) only with
# CAPCODE_SLOW_TESTS=1.
run_kernel_tests() {
  local slow=(-LE slow)
  [ "${CAPCODE_SLOW_TESTS:-0}" = 1 ] && slow=()
  echo "== the real back ends on an emulated kernel ($1) =="
  [ ${#slow[@]} -eq 0 ] ||
    echo "the complete parallel-port write (label slow) is left out: CAPCODE_SLOW_TESTS=1 runs it"
  timed "the kernel tests ($1)" ctest --test-dir "$1" --output-on-failure -j"$jobs" -L kernel \
    "${slow[@]}"
}

# The same build folder as ./run.sh, which leaves the tests and the benchmark out: asked for
# by name, so that a folder configured by ./run.sh builds them too. Every build here is a fresh
# one on a clean machine, so each compiles its sources in batches (CAPCODE_UNITY_BUILD).
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCAPCODE_BUILD_TESTS=ON \
  -DCAPCODE_BUILD_BENCH=ON -DCAPCODE_UNITY_BUILD=ON
timed "the build" cmake --build build -j"$jobs"
timed "the tests" ctest --test-dir build --output-on-failure -j"$jobs" -LE kernel
run_kernel_tests build

# The Debian package, installed, tried and removed again (as root).
(cd build && rm -f capcode_*.deb && timed "the package" cpack -G DEB)
timed "the package test" scripts/package_test.sh build

# The sanitizers' reports need function names and lines, not the variables' debug information
# (-g1); the benchmark is measured in the normal build only.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCAPCODE_SANITIZE=ON -DCAPCODE_UNITY_BUILD=ON \
  -DCAPCODE_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS_DEBUG=-g1
timed "the sanitizer build" cmake --build build-asan -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
timed "the sanitizer tests" ctest --test-dir build-asan --output-on-failure -j"$jobs" -LE kernel
run_kernel_tests build-asan
unset ASAN_OPTIONS UBSAN_OPTIONS

if command -v clang++-14 > /dev/null; then
  CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCAPCODE_FUZZ=ON -DCAPCODE_BUILD_GUI=OFF -DCAPCODE_BUILD_BENCH=OFF -DCAPCODE_UNITY_BUILD=ON \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -gline-tables-only -DNDEBUG"
  # Only the fuzz targets and what they link: the programs are built and tested above.
  timed "the fuzz build" cmake --build build-fuzz -j"$jobs" --target fuzz_codec fuzz_config_file \
    fuzz_script
  timed "the fuzz tests" ctest --test-dir build-fuzz --output-on-failure -j"$jobs"
else
  echo "clang++-14 not found: the fuzz targets are skipped"
fi
echo "== the whole suite: $SECONDS s =="
