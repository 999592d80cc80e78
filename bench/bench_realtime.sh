#!/usr/bin/env bash
# Times the real-time service, `tvservice NAME SOURCE TARGET...`, on a live folder:
# - propagation latency: one file written in the source until it is complete in every target,
#   over CHANGES changes (default 200), one at a time; prints the median and the p99;
# - a burst of OPS random changes (default 10000: files written, appended, renamed, deleted,
#   folders made, renamed, removed) made as fast as possible; prints the time from the end of
#   the burst until every target equals the source, beside one `rsync -a` of the final tree
#   into an empty folder, and their ratio.
#   bench/bench_realtime.sh [WORK_DIR] [BUILD_DIR]
# Defaults: a fresh folder under /tmp, build-runner-rel (Release). TARGETS (default 2) sets
# how many targets the service keeps. The service runs in a home of its own below WORK_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."

work="${1:-$(mktemp -d /tmp/tv-realtime-bench-XXXXXX)}"
build="${2:-build-runner-rel}"
changes="${CHANGES:-200}"
ops="${OPS:-10000}"
targets="${TARGETS:-2}"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTWINVALE_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target tvservice >/dev/null
service="$(find "$build" -name tvservice -type f -perm -u+x | head -n 1)"

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/data"
export XDG_STATE_HOME="$work/home/state" TWINVALE_SHUTDOWN_CMD=true
mkdir -p "$HOME" "$work/src" "$work/rsync"
target_dirs=()
for ((i = 1; i <= targets; i++)); do
    mkdir -p "$work/dst$i"
    target_dirs+=("$work/dst$i")
done
log="$XDG_DATA_HOME/Twinvale/logs/TwinvaleRealTask_1.log"

"$service" TwinvaleRealTask_1 "$work/src" "${target_dirs[@]}" </dev/null >/dev/null 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT
until grep -q " started" "$log" 2>/dev/null; do sleep 0.05; done

python3 - "$work/src" "$changes" "$ops" "${target_dirs[@]}" <<'PY'
import filecmp, os, random, statistics, subprocess, sys, time

source, changes, ops, targets = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4:]

def arrived(name, size):
    for target in targets:
        try:
            if os.stat(os.path.join(target, name)).st_size != size:
                return False
        except FileNotFoundError:
            return False
    return True

latencies = []
for i in range(changes):
    name, data = f"latency{i}", os.urandom(4096)
    start = time.monotonic()
    with open(os.path.join(source, name), "wb") as out:
        out.write(data)
    while not arrived(name, len(data)):
        time.sleep(0.0005)
    latencies.append(time.monotonic() - start)
    time.sleep(0.01)
latencies.sort()
p99 = latencies[min(len(latencies) - 1, int(len(latencies) * 0.99))]
print(f"latency over {changes} changes: median {statistics.median(latencies) * 1000:.1f} ms, "
      f"p99 {p99 * 1000:.1f} ms")

folders = ["", "p", "q", "r", "p/s", "q/s", "r/t", "p/s/u"]
def folder():
    name = random.choice(folders)
    return os.path.join(source, name) if name else source
def file():
    return os.path.join(folder(), f"f{random.randrange(30)}")
def step():
    kind = random.randrange(100)
    try:
        if kind < 35:
            with open(file(), "wb") as out:
                out.write(os.urandom(random.randrange(3000)))
        elif kind < 50:
            path = file()
            if not os.path.isfile(path):
                return False
            with open(path, "ab") as out:
                out.write(os.urandom(random.randrange(3000)))
        elif kind < 65:
            os.remove(file())
        elif kind < 80:
            os.rename(file(), file())
        elif kind < 90:
            os.mkdir(folder())
        elif kind < 96:
            a, b = folder(), folder()
            if a == source or b == source or b.startswith(a):
                return False
            os.rename(a, b)
        else:
            path = folder()
            if path == source:
                return False
            subprocess.run(["rm", "-rf", path], check=True)
        return True
    except OSError:
        return False

random.seed(int(os.environ.get("SEED", "1")))
done, burst_start = 0, time.monotonic()
while done < ops:
    done += step()
burst_end = time.monotonic()

def equal(a, b):
    cmp = filecmp.dircmp(a, b)
    if cmp.left_only or cmp.right_only or cmp.funny_files:
        return False
    _, mismatch, errors = filecmp.cmpfiles(a, b, cmp.common_files, shallow=False)
    return not mismatch and not errors and all(
        equal(os.path.join(a, d), os.path.join(b, d)) for d in cmp.common_dirs)

while not all(equal(source, target) for target in targets):
    time.sleep(0.002)
converged = time.monotonic() - burst_end

rsync_target = os.path.join(os.path.dirname(source), "rsync")
start = time.monotonic()
subprocess.run(["rsync", "-a", source + "/", rsync_target + "/"], check=True)
rsync = time.monotonic() - start
print(f"burst of {ops} changes in {burst_end - burst_start:.1f} s: converged {converged * 1000:.0f} ms after its end "
      f"({len(targets)} targets); rsync -a of the final tree {rsync * 1000:.0f} ms; "
      f"ratio {converged / rsync:.2f}")
PY
