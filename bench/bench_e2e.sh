#!/usr/bin/env bash
# Times the whole program, `mirrant -f:LIST ID /S` (start-up, list loading,
# investigation, planning, pass, log and, for the snapshot task, the snapshot), against
# rsync -a on generated trees: initial backup, no-change rerun and rerun after 1% of the
# files changed. Prints the medians of the wall time and their ratio mirrant/rsync, and when
# GNU time is installed as /usr/bin/time, the medians of the CPU time (user + system) with
# their ratio and the peak resident size of both (of the largest process of any run), each
# as mirrant / rsync.
#   bench/bench_e2e.sh [COUNT] [WORK_DIR] [BUILD_DIR]
# Defaults: 10000 files, a fresh folder under /tmp, build-runner-rel (Release). ROUNDS
# (default 3) sets how many timings each median takes; SHAPES (default "nested flat") the
# trees; SNAPSHOT=yes adds a third contender, the same backup task using a source snapshot.
# A bigger run, on tmpfs: ROUNDS=5 bench/bench_e2e.sh 100000 /dev/shm/tv-e2e
# The program runs in a home of its own (HOME and the XDG folders below WORK_DIR), with
# TWINVALE_SHUTDOWN_CMD=true and no display, input from /dev/null.
set -euo pipefail
cd "$(dirname "$0")/.."

count="${1:-${COUNT:-10000}}"
work="${2:-$(mktemp -d /tmp/tv-e2e-bench-XXXXXX)}"
build="${3:-build-runner-rel}"
rounds="${ROUNDS:-3}"
shapes="${SHAPES:-nested flat}"
contenders=(mirrant rsync)
[ "${SNAPSHOT:-no}" != yes ] || contenders+=(snapshot)

source bench/common.sh
build_release "$build" mirrant bench_sync bench_investigate
mirrant="$(realpath "$build/src/mirrant")"
maker="$build/bench/bench_investigate"
changer="$build/bench/bench_sync"

home="$work/home"
mkdir -p "$home"
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
export XDG_STATE_HOME="$home/state" XDG_CACHE_HOME="$home/cache" TWINVALE_SHUTDOWN_CMD=true
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
largest() { printf '%s\n' "$@" | sort -g | tail -n 1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f MiB", k / 1024 }'; }

# One task list per shape: task 1 backs up to dst.mirrant, task 2 (same options, with
# "Use source snapshot for comparison") to dst.snapshot. Both compare by "Timestamps OR
# size", as rsync's quick check does: a file changed twice within the 2.5 seconds that
# timestamps alone tolerate must still be copied.
make_list() {  # SRC DSTBASE LIST
    local json="$3.json"
    cat >"$json" <<EOF
{"version": "590", "tasks": [
 {"m_nTaskId": 1, "m_strName": "bench", "m_dwOptions": 33, "m_dwOptions3": 3072,
  "m_nCompareMode": 4, "m_Source": {"m_strPath": "$1"}, "m_Targets": [{"m_strPath": "$2.mirrant"}]},
 {"m_nTaskId": 2, "m_strName": "bench snapshot", "m_dwOptions": 33, "m_dwOptions3": 3072,
  "m_bUseSnapshot": 1, "m_nCompareMode": 4,
  "m_Source": {"m_strPath": "$1"}, "m_Targets": [{"m_strPath": "$2.snapshot"}]}]}
EOF
    "$mirrant" --make-list "$json" "$3" </dev/null
}

# Runs one contender once: prints "SECONDS PEAK_KIB CPU_SECONDS" (the last two "- -" without
# GNU time; CPU is user plus system time, children included). A run that does not end with
# status 0 stops the benchmark: its figures would lie.
timed() {  # TOOL SRC DSTBASE LIST
    local start end usage="- -" code=0 usagefile="$work/usage"
    local cmd
    case "$1" in
        mirrant) cmd=("$mirrant" "-f:$4" 1 /S) ;;
        snapshot) cmd=("$mirrant" "-f:$4" 2 /S) ;;
        rsync) cmd=(rsync -a "$2/" "$3.rsync/") ;;
    esac
    [ -z "$gnutime" ] || cmd=("$gnutime" -f "%M %U %S" -o "$usagefile" "${cmd[@]}")
    sync
    start=$(date +%s.%N)
    "${cmd[@]}" </dev/null >/dev/null 2>"$work/stderr" || code=$?
    end=$(date +%s.%N)
    if [ "$code" != 0 ]; then
        echo "$1 failed with status $code:" >&2
        cat "$work/stderr" >&2
        exit 1
    fi
    [ -z "$gnutime" ] || usage=$(tail -n 1 "$usagefile" | awk '{ printf "%s %.2f", $1, $2 + $3 }')
    awk -v s="$start" -v e="$end" -v u="$usage" 'BEGIN { printf "%.3f %s\n", e - s, u }'
}

# Each round starts with the next contender, so that a busy machine, or the cache the one
# before warmed, favours none. INITIAL=yes empties each target (and the program's data
# folder: logs, snapshots, last synchronization times) before its timing; CHANGE=N changes
# N% of the source files before each round. Fills TIMES, RSS and CPU, keyed by contender.
declare -A TIMES RSS CPU
scenario() {  # SRC DSTBASE LIST
    local r i tool out n=${#contenders[@]}
    TIMES=() RSS=() CPU=()
    for ((r = 0; r < rounds; r++)); do
        [ -z "${CHANGE:-}" ] || "$changer" change "$1" "$CHANGE" >/dev/null
        for ((i = 0; i < n; i++)); do
            tool=${contenders[(r + i) % n]}
            if [ "${INITIAL:-no}" = yes ]; then
                rm -rf "$2.$tool" "$XDG_DATA_HOME/Twinvale"
                mkdir -p "$2.$tool"
            fi
            read -r -a out <<<"$(timed "$tool" "$1" "$2" "$3")"
            TIMES[$tool]+=" ${out[0]}"
            RSS[$tool]+=" ${out[1]}"
            CPU[$tool]+=" ${out[2]}"
        done
    done
}

# Wall time decides; the CPU time is less disturbed by other work on the machine, which
# takes the second core from the program's two listing threads.
report() {  # LABEL
    local t_m t_r c_m c_r line
    t_m=$(median ${TIMES[mirrant]})
    t_r=$(median ${TIMES[rsync]})
    line=$(printf '%-16s mirrant %ss  rsync -a %ss  mirrant/rsync %s' "$1:" "$t_m" "$t_r" \
        "$(ratio "$t_m" "$t_r")")
    if [ -n "${TIMES[snapshot]:-}" ]; then
        local t_s
        t_s=$(median ${TIMES[snapshot]})
        line+=$(printf '  with snapshot %ss (%s)' "$t_s" "$(ratio "$t_s" "$t_r")")
    fi
    echo "$line"
    [ -n "$gnutime" ] || return 0
    c_m=$(median ${CPU[mirrant]})
    c_r=$(median ${CPU[rsync]})
    printf '%-16s cpu %ss / %ss (%s)  peak RSS %s / %s\n' "" "$c_m" "$c_r" "$(ratio "$c_m" "$c_r")" \
        "$(mib "$(largest ${RSS[mirrant]})")" "$(mib "$(largest ${RSS[rsync]})")"
}

same() {  # SRC DST
    diff -rq "$1" "$2" >/dev/null || { echo "$2 differs from $1" >&2; exit 1; }
}

echo "mirrant: $mirrant  rounds: ${rounds}  work: $work"
[ -n "$gnutime" ] || echo "(no GNU time at /usr/bin/time: no CPU time and peak RSS; package 'time')"
for shape in $shapes; do
    src="$work/$shape/src"
    dst="$work/$shape/dst"
    list="$work/$shape/list.tsl"
    [ -d "$src" ] || "$maker" make "$src" "$count" "$shape" >/dev/null
    make_list "$src" "$dst" "$list"
    echo "== $count small files, $shape"
    INITIAL=yes scenario "$src" "$dst" "$list"
    report "initial backup"
    same "$src" "$dst.mirrant"
    scenario "$src" "$dst" "$list"
    report "no change"
    CHANGE=1 scenario "$src" "$dst" "$list"
    report "1% changed"
    same "$src" "$dst.mirrant"
    same "$src" "$dst.rsync"
    rm -rf "$dst".*
done
echo "(sources kept in $work)"
