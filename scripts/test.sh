#!/usr/bin/env bash
# Sets up a fresh machine, builds Quorvex with its tests and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs="$(nproc)"

cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-test -j"$jobs"

# The threaded suites once more under ThreadSanitizer: the worker and its
# pacing, the sound's hand-over between the worker and the audio thread, and
# the main window's commands and status refresh against a running worker.
# The frame renderer's suite takes frames while a worker records, and the
# repaint suite reads the view's last frame beside the refresh timer.
tsan_suites=(pacing_tests worker_smoke_tests sound_tests main_window_tests frame_renderer_tests view_repaint_tests)
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_TSAN=ON -DQUORVEX_BENCH=OFF
cmake --build build-tsan -j"$jobs" --target "${tsan_suites[@]}"
for suite in "${tsan_suites[@]}"; do
  echo "ThreadSanitizer: $suite"
  TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp" \
    xvfb-run -a -s "-screen 0 1600x1200x24" "build-tsan/tests/$suite" --gtest_brief=1
done

# quorvex render under AddressSanitizer and UndefinedBehaviorSanitizer: our
# code hands buffers to FFmpeg's and cairo's libraries and takes them back.
# The only leak report to pass over is fontconfig's own, made while it parses
# the system's font configuration (tests/lsan.supp).
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_ASAN=ON -DQUORVEX_BENCH=OFF
cmake --build build-asan -j"$jobs" --target render_tests
echo "AddressSanitizer: render_tests"
env -u DISPLAY LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp" UBSAN_OPTIONS="print_stacktrace=1" \
  build-asan/tests/render_tests --gtest_brief=1

# the window tests need a display: one virtual X server for the whole run
# (-noreset: a window test starting just as the previous one's connection
# closes would otherwise meet a server in the middle of its reset)
xvfb-run -a -s "-screen 0 1600x1200x24 -noreset" \
  ctest --test-dir build-test --output-on-failure -j"$jobs"
