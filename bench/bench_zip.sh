#!/usr/bin/env bash
# Times a backup of COUNT small files into a zip archive, `mirrant -f:LIST ID /S` (start-up,
# list loading, investigation, planning, archive), against Info-ZIP `zip -r -q -6` (the same
# deflate level) on the same tree. Prints the medians of the wall time and their ratio
# mirrant/zip and, when GNU time is installed as /usr/bin/time, the peak resident size of
# both, also for a tree of a quarter of the files: the archive's memory beyond its per-file
# records does not grow with the files.
#   bench/bench_zip.sh [COUNT] [WORK_DIR] [BUILD_DIR]
# Defaults: 20000 files, a fresh folder under /tmp, build-runner-rel (Release). ROUNDS
# (default 3) sets how many timings each median takes.
set -euo pipefail
cd "$(dirname "$0")/.."

count="${1:-${COUNT:-20000}}"
work="${2:-$(mktemp -d /tmp/tv-zip-bench-XXXXXX)}"
build="${3:-build-runner-rel}"
rounds="${ROUNDS:-3}"

source bench/common.sh
build_release "$build" mirrant
mirrant="$(realpath "$build/src/mirrant")"

home="$work/home"
mkdir -p "$home"
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
export XDG_STATE_HOME="$home/state" XDG_CACHE_HOME="$home/cache" TWINVALE_SHUTDOWN_CMD=true
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

# COUNT files of 200 bytes to 8 KiB of text-like bytes (deflate has work to do), 100 a folder.
make_tree() {  # DIR COUNT
    python3 - "$1" "$2" <<'PY'
import os, random, sys
root, count = sys.argv[1], int(sys.argv[2])
rng = random.Random(17)
words = [''.join(rng.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rng.randint(2, 9)))
         for _ in range(2000)]
for i in range(count):
    folder = os.path.join(root, 'd%03d' % (i // 100))
    os.makedirs(folder, exist_ok=True)
    size = rng.randint(200, 8192)
    text = []
    while sum(map(len, text)) < size:
        text.append(rng.choice(words) + ' ')
    with open(os.path.join(folder, 'f%05d.txt' % i), 'w') as f:
        f.write(''.join(text)[:size])
PY
}

make_list() {  # SRC ZIP LIST
    cat >"$3.json" <<JSON
{"version": "590", "tasks": [
 {"m_nTaskId": 1, "m_strName": "bench", "m_dwOptions": 2081, "m_dwOptions3": 3074,
  "m_Source": {"m_strPath": "$1"}, "m_Targets": [{"m_strPath": "$2"}]}]}
JSON
    "$mirrant" --make-list "$3.json" "$3" >/dev/null
}

# Wall seconds of one run of a command; the peak resident KiB goes to the file $peak.
timed() {
    local start end
    start=$(now)
    if [ -n "$gnutime" ]; then
        "$gnutime" -f %M -o "$peak" "$@" </dev/null >/dev/null 2>&1
    else
        "$@" </dev/null >/dev/null 2>&1
    fi
    end=$(now)
    elapsed "$start" "$end"
}

peak="$work/peak"
report() {  # COUNT
    local n="$1" src="$work/src$1" list="$work/list$1.tsl"
    [ -d "$src" ] || make_tree "$src" "$n"
    make_list "$src" "$work/mirrant$n.zip" "$list"
    local zt=() mt=() zpeak=0 mpeak=0
    for _ in $(seq "$rounds"); do
        rm -f "$work/zip$n.zip" "$work/mirrant$n.zip"
        sync
        zt+=("$(cd "$src" && timed zip -r -q -6 "$work/zip$n.zip" .)")
        [ -z "$gnutime" ] || zpeak=$(cat "$peak")
        mt+=("$(timed "$mirrant" -f:"$list" 1 /S)")
        [ -z "$gnutime" ] || mpeak=$(cat "$peak")
    done
    unzip -tq "$work/mirrant$n.zip" >/dev/null
    local zm mm
    zm=$(median "${zt[@]}")
    mm=$(median "${mt[@]}")
    printf '%6d files: zip %ss, mirrant %ss, ratio mirrant/zip %s' "$n" "$zm" "$mm" "$(ratio "$mm" "$zm")"
    printf '; archives %s / %s bytes' "$(stat -c %s "$work/mirrant$n.zip")" "$(stat -c %s "$work/zip$n.zip")"
    [ -z "$gnutime" ] || printf '; peak RSS mirrant %s KiB, zip %s KiB' "$mpeak" "$zpeak"
    printf '\n'
}

report "$((count / 4))"
report "$count"
