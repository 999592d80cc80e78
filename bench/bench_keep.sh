#!/usr/bin/env bash
# What keeping replaced and deleted files costs a run that finds nothing to do: the same
# no-change mirror run, `mirrant -f:LIST 1 /S`, with "Delete it" and with "Keep it in a versions
# folder" (whose folder already holds 20 run folders within their days, so that the pruning at
# the start has something to look at). Prints the medians of the wall time and their ratio
# versions/delete; 1.00 means no measurable cost.
#   bench/bench_keep.sh [COUNT] [WORK_DIR] [BUILD_DIR]
# Defaults: 10000 files, a fresh folder under /tmp, build-runner-rel (Release). ROUNDS
# (default 5) sets how many timings each median takes. The program runs in a home of its own
# (HOME and the XDG folders below WORK_DIR), with no display, input from /dev/null.
set -euo pipefail
cd "$(dirname "$0")/.."

count="${1:-${COUNT:-10000}}"
work="${2:-$(mktemp -d /tmp/tv-keep-bench-XXXXXX)}"
build="${3:-build-runner-rel}"
rounds="${ROUNDS:-5}"

source bench/common.sh
build_release "$build" mirrant
mirrant="$(realpath "$build/src/mirrant")"

home="$work/home"
mkdir -p "$home/config/Orbelin"
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
export XDG_STATE_HOME="$home/state" XDG_CACHE_HOME="$home/cache" TWINVALE_SHUTDOWN_CMD=true
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

src="$work/src"
dst="$work/dst"
if [ ! -d "$src" ]; then
    python3 - "$src" "$count" <<'PY'
import os, sys
root, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    folder = os.path.join(root, "d%03d" % (i // 100))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "f%05d.txt" % i), "w") as f:
        f.write("file %d\n" % i * 8)
PY
fi
if [ ! -d "$dst/.twinvale-versions" ]; then
    for day in $(seq 1 20); do
        run="$dst/.twinvale-versions/$(date -d "-$day day" +%Y-%m-%d_%H-%M-%S)"
        mkdir -p "$run/old"
        for i in $(seq 1 10); do echo "kept $i" >"$run/old/k$i.txt"; done
    done
fi

cat >"$work/list.json" <<JSON
{"version": "590", "tasks": [
 {"m_nTaskId": 1, "m_strName": "keep bench", "m_dwOptions": 41, "m_dwOptions3": 3072,
  "m_Source": {"m_strPath": "$src"}, "m_Targets": [{"m_strPath": "$dst"}]}]}
JSON
"$mirrant" --make-list "$work/list.json" "$work/list.tsl" </dev/null

keep() { printf '[Settings]\nKeepFiles=%s\nKeepDays=30\n' "$1" >"$home/config/Orbelin/Mirrant.conf"; }
timed() {
    local start end
    start=$(date +%s.%N)
    "$mirrant" "-f:$work/list.tsl" 1 /S </dev/null >/dev/null 2>&1
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

keep 0
"$mirrant" "-f:$work/list.tsl" 1 /S </dev/null >/dev/null 2>&1  # the first backup
off=()
on=()
for _ in $(seq 1 "$rounds"); do
    keep 0
    off+=("$(timed)")
    keep 2
    on+=("$(timed)")
done
if [ "$(ls "$dst/.twinvale-versions" | wc -l)" -ne 20 ]; then
    echo "the no-change runs changed the versions folder" >&2
    exit 1
fi
echo "delete: ${off[*]}"
echo "versions folder: ${on[*]}"
moff=$(median "${off[@]}")
mon=$(median "${on[@]}")
echo "no-change run of $count files: delete ${moff}s, versions folder ${mon}s," \
    "ratio versions/delete $(ratio "$mon" "$moff")"
