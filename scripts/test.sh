#!/usr/bin/env bash
# Sets up the machine, checks the layering and the formatting, builds with AddressSanitizer +
# UndefinedBehaviorSanitizer and runs every test; then gives each fuzz target a short run over
# its seed corpus. Every build treats warnings as errors. Idempotent.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
werror=-DTWINVALE_WERROR=ON

# Before the long builds, so that a stray include or a misformatted line fails at once.
scripts/setup.sh --packages-only
scripts/check-layers.sh
scripts/check-format.sh

scripts/setup.sh build-asan -DTWINVALE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DTWINVALE_BENCH=OFF "$werror"

if [ "${TWINVALE_SKIP_FUZZ:-0}" != 1 ]; then
    scripts/fuzz-smoke.sh "$werror"
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan -j"$jobs" --output-on-failure --timeout 600

# The threaded parts once more under ThreadSanitizer: the runner and launcher, the window
# presenters that start runs and take their ends, the real-time service (its processes are
# instrumented too, and halt on a report), the remote file system's streaming uploads, the SFTP
# session with its cancel from another thread, and the window-hook library's message layer.
# (Qt itself is not instrumented, so the widget tests stay out.)
if [ "${TWINVALE_SKIP_TSAN:-0}" != 1 ]; then
    cmake -S . -B build-tsan -G Ninja -DTWINVALE_TSAN=ON -DTWINVALE_BENCH=OFF "$werror" >/dev/null
    cmake --build build-tsan --target test_run test_uimodel test_tvservice test_platform test_quillhook
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
    for t in test_run test_uimodel test_tvservice test_quillhook "test_platform --gtest_filter=RemoteFileSystem.*:CurlSftp*"; do
        echo "ThreadSanitizer: $t"
        # shellcheck disable=SC2086  # the filter is an argument of its own
        build-tsan/tests/$t --gtest_brief=1
    done
fi
