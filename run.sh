#!/usr/bin/env bash
# Installs what building and running the programs needs (scripts/packages-run.txt), builds the
# two programs into build/ (no tests, no benchmark), then opens the programmer's window. Options
# are passed on: ./run.sh --sim-usb pager.eep works with a simulated programmer.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/setup.sh
capcode_install_missing run
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCAPCODE_BUILD_TESTS=OFF \
  -DCAPCODE_BUILD_BENCH=OFF -DCAPCODE_UNITY_BUILD=ON
cmake --build build -j"$(capcode_jobs)" --target capcode capcode-programmer
exec build/bin/capcode-programmer "$@"
