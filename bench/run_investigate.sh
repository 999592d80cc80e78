#!/usr/bin/env bash
# Builds the benchmark trees (nested folders, and all files in one folder), copies each with
# `cp -a`, and times the investigation of both sides against find and rsync.
#   bench/run_investigate.sh [COUNT] [WORK_DIR] [BUILD_DIR]
# Defaults: 100000 files, a fresh folder under /tmp, build-scan-rel (a Release build).
set -euo pipefail
cd "$(dirname "$0")/.."

count="${1:-100000}"
work="${2:-$(mktemp -d /tmp/tv-bench-XXXXXX)}"
build="${3:-build-scan-rel}"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTWINVALE_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target bench_investigate >/dev/null
bench="$build/bench/bench_investigate"

for shape in nested flat; do
    src="$work/$shape/src"
    dst="$work/$shape/dst"
    if [ ! -d "$dst" ]; then
        rm -rf "$work/$shape"
        "$bench" make "$src" "$count" "$shape"
        cp -a "$src" "$dst"
    fi
    echo "== $count files, $shape"
    "$bench" run "$src" "$dst"
done
echo "(trees kept in $work)"
