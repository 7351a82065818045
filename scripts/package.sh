#!/usr/bin/env bash
# Builds the Debian package build/capcode_VERSION_ARCH.deb (or in the build folder given):
# the two programs, the language libraries, the udev rule, the desktop entry, icon and AppStream
# metainfo, the manual pages and the shell completion. Install it with
#   apt install ./build/capcode_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh
capcode_install_missing run package
build=${1:-build}
# The programs only: the tests and the benchmark need packages that making the package does not.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCAPCODE_BUILD_TESTS=OFF \
  -DCAPCODE_BUILD_BENCH=OFF
cmake --build "$build" -j"$(capcode_jobs)"
rm -f "$build"/capcode_*.deb
(cd "$build" && cpack -G DEB)
ls "$build"/capcode_*.deb
