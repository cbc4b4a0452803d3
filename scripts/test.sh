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

# the window tests need a display: one virtual X server for the whole run
# (-noreset: a window test starting just as the previous one's connection
# closes would otherwise meet a server in the middle of its reset)
xvfb-run -a -s "-screen 0 1600x1200x24 -noreset" \
  ctest --test-dir build-test --output-on-failure -j"$jobs"

# Every suite once more under AddressSanitizer and UndefinedBehaviorSanitizer,
# the real program and its monkey included. Any report from either ends the
# process. Leaks are checked at every exit; the suppressions name only the
# system libraries that keep their caches until exit, never our code. The
# monkey sends fewer commands here than in the plain pass (each one is slower
# under the sanitizers); QUORVEX_MONKEY_COMMANDS=10000 with either build runs
# the long version.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_ASAN=ON -DQUORVEX_BENCH=OFF
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS="halt_on_error=1:detect_leaks=1" \
UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
QUORVEX_MONKEY_COMMANDS=300 \
  xvfb-run -a -s "-screen 0 1600x1200x24 -noreset" \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"
