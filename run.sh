#!/usr/bin/env bash
# Configure and build into build/, then start the program.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/setup.sh
capcode_install_missing
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(capcode_jobs)"
exec build/bin/capcode --help
