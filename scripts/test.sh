#!/usr/bin/env bash
# Sets up a fresh machine, builds Quorvex with its tests and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs="$(nproc)"

cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-test -j"$jobs"
# the window tests need a display: one virtual X server for the whole run
xvfb-run -a -s "-screen 0 1600x1200x24" \
  ctest --test-dir build-test --output-on-failure -j"$jobs"
