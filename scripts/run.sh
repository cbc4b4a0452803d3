#!/usr/bin/env bash
# Sets up a fresh machine, builds Quorvex and starts it (with the arguments
# given, e.g. a command: scripts/run.sh render quick.mp4).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DQUORVEX_BENCH=OFF
cmake --build build -j"$(nproc)" --target quorvex
exec build/src/quorvex "$@"
