#!/usr/bin/env bash
# Times one-way runs of the engine (investigation + planning + pass) against cp -a and
# rsync -a on generated trees, and the planning step alone on one-folder trees.
#   bench/bench_sync.sh [COUNT] [WORK_DIR] [BUILD_DIR] [LARGE_MIB] [LARGE_COUNT]
# Defaults: 100000 files, a fresh folder under /tmp, build-pass-rel (Release), three files
# of 1024 MiB. ROUNDS (default 3) sets how many timings each median takes. Caches stay warm
# for every contender alike, and dirty data is written back before each timing so that no
# contender pays for the one before.
set -euo pipefail
cd "$(dirname "$0")/.."

count="${1:-100000}"
work="${2:-$(mktemp -d /tmp/tv-sync-bench-XXXXXX)}"
build="${3:-build-pass-rel}"
large_mib="${4:-1024}"
large_count="${5:-3}"
rounds="${ROUNDS:-3}"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTWINVALE_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target bench_sync bench_investigate >/dev/null
engine="$build/bench/bench_sync"
maker="$build/bench/bench_investigate"

seconds() {
    local start end
    sync
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }'
}
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

run_tool() {  # TOOL SRC DST
    case "$1" in
        engine) "$engine" sync "$2" "$3" ;;
        cp) cp -a "$2" "$3" ;;
        rsync) rsync -a "$2/" "$3/" ;;
    esac
}

# Initial copies into an empty target: sets ENGINE, CP, RSYNC and leaves the three targets
# (with KEEP=no, removes each one after its timing, for files too large to keep three copies).
# The contenders take turns within each round, each round starting with the next one, so
# that a busy machine, or the space the one before gave back, slows them alike.
initial() {  # SRC DSTBASE
    local tools=(engine cp rsync) tool e=() c=() s=() t
    for ((r = 0; r < rounds; r++)); do
        for ((i = 0; i < 3; i++)); do
            tool=${tools[(r + i) % 3]}
            rm -rf "$2.$tool"
            [ "$tool" = cp ] || mkdir -p "$2.$tool"
            t=$(seconds run_tool "$tool" "$1" "$2.$tool")
            case "$tool" in engine) e+=("$t") ;; cp) c+=("$t") ;; rsync) s+=("$t") ;; esac
            [ "${KEEP:-yes}" = yes ] || rm -rf "$2.$tool"
        done
    done
    ENGINE=$(median "${e[@]}")
    CP=$(median "${c[@]}")
    RSYNC=$(median "${s[@]}")
}

rerun() {  # SRC DSTBASE [CHANGE_PERCENT]: sets ENGINE and RSYNC
    local e=() s=()
    for ((r = 0; r < rounds; r++)); do
        [ -z "${3:-}" ] || "$engine" change "$1" "$3" >/dev/null
        e+=("$(seconds run_tool engine "$1" "$2.engine")")
        s+=("$(seconds run_tool rsync "$1" "$2.rsync")")
    done
    ENGINE=$(median "${e[@]}")
    RSYNC=$(median "${s[@]}")
}

for shape in nested flat; do
    src="$work/$shape/src"
    [ -d "$src" ] || "$maker" make "$src" "$count" "$shape"
    echo "== $count small files, $shape"
    initial "$src" "$work/$shape/dst"
    echo "initial backup:  engine $ENGINE s  cp -a $CP s  rsync -a $RSYNC s" \
        " engine/cp $(ratio "$ENGINE" "$CP") (goal <= 1.0)  engine/rsync $(ratio "$ENGINE" "$RSYNC")"
    rerun "$src" "$work/$shape/dst"
    echo "no-change rerun: engine $ENGINE s  rsync -a $RSYNC s" \
        " engine/rsync $(ratio "$ENGINE" "$RSYNC") (goal < 1)"
    rerun "$src" "$work/$shape/dst" 1
    echo "1% changed:      engine $ENGINE s  rsync -a $RSYNC s" \
        " engine/rsync $(ratio "$ENGINE" "$RSYNC") (goal < 1)"
    if [ "$shape" = flat ]; then
        half="$work/flat-half/src"
        [ -d "$half" ] || { "$maker" make "$half" $((count / 2)) flat && cp -a "$half" "$half.copy"; }
        full=$("$engine" plan "$src" "$work/$shape/dst.engine" 5)
        part=$("$engine" plan "$half" "$half.copy" 5)
        echo "planning alone:  $full  |  $part  (linear: the time per record stays the same)"
    fi
    rm -rf "$work/$shape"/dst.*
done

src="$work/large/src"
[ -d "$src" ] || "$engine" large "$src" "$large_count" "$large_mib"
bytes=$((large_count * large_mib * 1048576))
echo "== $large_count files of $large_mib MiB"
KEEP=no initial "$src" "$work/large/dst"
mbps() { awk -v b="$bytes" -v t="$1" 'BEGIN { printf "%.0f MB/s", b / t / 1e6 }'; }
echo "large files:     engine $ENGINE s ($(mbps "$ENGINE"))  cp -a $CP s ($(mbps "$CP"))" \
    " rsync -a $RSYNC s ($(mbps "$RSYNC"))  cp/engine throughput $(ratio "$CP" "$ENGINE") (goal >= 0.95)"
echo "(sources kept in $work)"
