#!/usr/bin/env bash
# Configure and build into build/, then open the programmer's window (options are passed on:
# ./run.sh --sim-usb pager.eep works with a simulated programmer).
set -euo pipefail
cd "$(dirname "$0")"
. scripts/setup.sh
capcode_install_missing
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(capcode_jobs)"
exec build/bin/capcode-programmer "$@"
