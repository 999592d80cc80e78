#!/usr/bin/env bash
# Times the whole program, `mirrant -f:LIST ID /S`, against rclone on the same loopback servers
# in one run, for FTP (pyftpdlib) and SFTP (an sshd of its own on 127.0.0.1):
#   small upload  2000 small files in a few folders to an empty remote folder (rclone sync);
#   big upload    one file of SIZE_MB MiB (default 1024) to an empty remote folder (rclone sync);
#   list 10000    a flat folder of 10000 files that the remote already holds: the program's
#                 one-way run that copies nothing against `rclone sync --dry-run`, the closest
#                 equivalent (it lists both sides and compares sizes and times, as the run does;
#                 `rclone check` would compare hashes instead, and `lsl` lists one side only);
#   no change     the small upload again, with everything already there (`rclone sync`);
#   big download  the big file from the server into an empty local folder (rclone sync).
# Each contender writes to a remote folder of its own. Prints the medians of the wall time and
# their ratio mirrant/rclone and, with GNU time as /usr/bin/time, the medians of the client's CPU
# time (user + system) and the peak resident size of the client.
#   bench/bench_remote.sh [WORK_DIR] [BUILD_DIR]
# Defaults: a fresh folder under /tmp, build-runner-rel (Release). ROUNDS (default 3) sets how
# many timings each median takes, PROTOCOLS (default "ftp sftp") the servers, RCLONE_FLAGS extra
# options for rclone. rclone runs with its defaults (4 transfers and 8 checkers in parallel)
# except that over SFTP it does not run md5sum on the server after each upload: the program
# checks the byte count only, and a shell session per file would make rclone ten times slower.
# A smaller run: ROUNDS=3 SIZE_MB=256 bench/bench_remote.sh
# Both clients run in a home of their own (HOME and the XDG folders below WORK_DIR, rclone's
# configuration there too), the program with TWINVALE_SHUTDOWN_CMD=true, no display and input
# from /dev/null. Every timed upload is checked against what the server's folder holds.
set -euo pipefail
cd "$(dirname "$0")/.."

work="${1:-$(mktemp -d /tmp/tv-remote-bench-XXXXXX)}"
build="${2:-build-runner-rel}"
rounds="${ROUNDS:-3}"
size_mb="${SIZE_MB:-1024}"
protocols="${PROTOCOLS:-ftp sftp}"
read -r -a rclone_flags <<<"${RCLONE_FLAGS:-}"
contenders=(mirrant rclone)

command -v rclone >/dev/null || { echo "rclone is missing (scripts/setup.sh installs it)" >&2; exit 1; }
source bench/common.sh
build_release "$build" mirrant
mirrant="$(realpath "$build/src/mirrant")"

mkdir -p "$work"
work="$(realpath "$work")"
home="$work/home"
mkdir -p "$home/.ssh"
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
export XDG_STATE_HOME="$home/state" XDG_CACHE_HOME="$home/cache" TWINVALE_SHUTDOWN_CMD=true
export RCLONE_CONFIG="$work/rclone.conf"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
largest() { printf '%s\n' "$@" | sort -g | tail -n 1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f MiB", k / 1024 }'; }

servers=()
stop_servers() { for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap stop_servers EXIT

# pyftpdlib (from the Debian interpreter, which has it) serving $work/ftp to "tv"; FTPD_DEBUG=yes logs every command with its time, which
# shows the round trips per file.
start_ftp() {
    rm -rf "$work/ftp" "$work/ftp.port"
    mkdir -p "$work/ftp"
    /usr/bin/python3 -c '
import logging, os, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
if os.environ.get("FTPD_DEBUG") == "yes":
    logging.basicConfig(filename=sys.argv[2], level=logging.DEBUG,
                        format="%(asctime)s %(message)s")
a = DummyAuthorizer()
a.add_user("tv", "s3cret-pw", sys.argv[1], perm="elradfmwMT")
class Handler(FTPHandler):
    # rclone reads only 550 as "no such folder"; pyftpdlib answers a listing of one with 501.
    def respond(self, resp, logfun=logging.debug):
        if resp.startswith("501 No such directory"):
            resp = "550" + resp[3:]
        super().respond(resp, logfun)
Handler.authorizer = a
s = FTPServer(("127.0.0.1", 0), Handler)
print(s.socket.getsockname()[1], flush=True)
s.serve_forever()' "$work/ftp" "$work/ftpd.log" >"$work/ftp.port" 2>>"$work/ftpd.log" &
    servers+=($!)
    for _ in $(seq 100); do [ -s "$work/ftp.port" ] && break; sleep 0.05; done
    ftp_port=$(cat "$work/ftp.port")
    [ -n "$ftp_port" ] || { cat "$work/ftpd.log" >&2; exit 1; }
}

start_sftp() {
    local d="$work/sshd"
    rm -rf "$d" "$work/sftp"
    mkdir -p "$d" "$work/sftp"
    mkdir -p /run/sshd 2>/dev/null || true  # only root needs (and may make) it
    ssh-keygen -q -t ed25519 -N '' -f "$d/host_key"
    ssh-keygen -q -t ed25519 -N '' -f "$d/client_key"
    cp "$d/client_key.pub" "$d/authorized_keys"
    sftp_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    cat >"$d/sshd_config" <<EOF
ListenAddress 127.0.0.1
Port $sftp_port
HostKey $d/host_key
AuthorizedKeysFile $d/authorized_keys
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
PermitRootLogin yes
StrictModes no
PidFile none
Subsystem sftp internal-sftp
LogLevel VERBOSE
EOF
    /usr/sbin/sshd -D -f "$d/sshd_config" -E "$d/sshd.log" &
    servers+=($!)
    for _ in $(seq 100); do
        (exec 3<>"/dev/tcp/127.0.0.1/$sftp_port") 2>/dev/null && break
        sleep 0.05
    done
    echo "[127.0.0.1]:$sftp_port $(cut -d' ' -f1,2 "$d/host_key.pub")" >"$home/.ssh/known_hosts"
}

write_rclone_config() {
    cat >"$RCLONE_CONFIG" <<EOF
[ftp]
type = ftp
host = 127.0.0.1
port = $ftp_port
user = tv
pass = $(rclone obscure s3cret-pw)

[sftp]
type = sftp
host = 127.0.0.1
port = $sftp_port
user = $(id -un)
key_file = $work/sshd/client_key
known_hosts_file = $home/.ssh/known_hosts
disable_hashcheck = true
EOF
}

# SERVED is where the server keeps remote folder NAME; REMOTE is NAME as each client names it.
served() { echo "$work/$1/$2"; }
remote_dir() { [ "$1" = ftp ] && echo "/$2" || echo "$work/sftp/$2"; }

make_trees() {
    python3 - "$work" "$size_mb" <<'EOF'
import os, random, sys
work, size_mb = sys.argv[1], int(sys.argv[2])
rng = random.Random(4711)
def write(path, size):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(rng.randbytes(size))
if not os.path.isdir(f"{work}/small"):
    for i in range(2000):
        write(f"{work}/small/d{i % 8}/s{i % 3}/f{i}.dat", 1024 + rng.randrange(7 * 1024))
if not os.path.isdir(f"{work}/flat"):
    for i in range(10000):
        write(f"{work}/flat/f{i:05}.txt", 64 + rng.randrange(1024))
os.makedirs(f"{work}/big", exist_ok=True)
big = f"{work}/big/big.bin"
if not os.path.exists(big) or os.path.getsize(big) != size_mb << 20:
    with open(big, "wb") as f:
        for _ in range(size_mb):
            f.write(rng.randbytes(1 << 20))
EOF
}

# Task N of a protocol's list backs folder CASE up to remote folder CASE.mirrant, creating it,
# comparing by "Timestamps OR size" (as rclone compares size and time).
make_list() {  # PROTO LIST
    local site json="$2.json" tasks="" id=0 name
    if [ "$1" = ftp ]; then
        site="\"m_nPort\": $ftp_port, \"m_nProtocol\": 0, \"m_strUser\": \"tv\", \"m_strPassword\": \"s3cret-pw\""
    else
        site="\"m_nPort\": $sftp_port, \"m_nProtocol\": 1, \"m_strUser\": \"$(id -un)\", \"m_strPassword\": \"\", \"m_bUseKey\": 1, \"m_strKeyFile\": \"$work/sshd/client_key\""
    fi
    local remote="\"m_bIsFtp\": 1, \"m_strSiteName\": \"bench\", \"m_strHost\": \"127.0.0.1\", $site, \"m_bPassive\": 1"
    for name in small big flat; do
        id=$((id + 1))
        [ -z "$tasks" ] || tasks+=","
        tasks+="
 {\"m_nTaskId\": $id, \"m_strName\": \"$name\", \"m_dwOptions\": 33, \"m_dwOptions3\": $((3072 | 64)),
  \"m_nCompareMode\": 4, \"m_Source\": {\"m_strPath\": \"$work/$name\"},
  \"m_Targets\": [{$remote, \"m_strRemoteDir\": \"$(remote_dir "$1" "$name.mirrant")\"}]}"
    done
    # Task 4 brings the server's folder "down" (the big file) into a local folder.
    tasks+=",
 {\"m_nTaskId\": 4, \"m_strName\": \"down\", \"m_dwOptions\": 33, \"m_dwOptions3\": $((3072 | 64)),
  \"m_nCompareMode\": 4, \"m_Source\": {$remote, \"m_strRemoteDir\": \"$(remote_dir "$1" down)\"},
  \"m_Targets\": [{\"m_strPath\": \"$work/down.mirrant\"}]}"
    echo "{\"version\": \"590\", \"tasks\": [$tasks]}" >"$json"
    "$mirrant" --make-list "$json" "$2" </dev/null
}

task_id() { case "$1" in small) echo 1 ;; big) echo 2 ;; flat) echo 3 ;; down) echo 4 ;; esac; }

# Runs one contender once: prints "SECONDS PEAK_KIB CPU_SECONDS" (the last two "- -" without
# GNU time). A run that does not end with status 0 stops the benchmark: its figures would lie.
timed() {  # TOOL PROTO CASE LIST [rclone options...]
    local start end usage="- -" code=0 usagefile="$work/usage" cmd
    case "$1" in
        mirrant) cmd=("$mirrant" "-f:$4" "$(task_id "$3")" /S) ;;
        rclone) cmd=(rclone sync "${rclone_flags[@]}" "${@:5}" "$work/$3" "$2:$(remote_dir "$2" "$3.rclone")") ;;
    esac
    case "$1 $3" in
        "rclone down")
            # rclone fetches a big file over FTP in several ranges at once, which pyftpdlib aborts.
            local ranges=()
            [ "$2" != ftp ] || ranges=(--multi-thread-streams=0)
            cmd=(rclone sync "${rclone_flags[@]}" "${ranges[@]}" "$2:$(remote_dir "$2" down)" "$work/down.rclone") ;;
    esac
    [ -z "$gnutime" ] || cmd=("$gnutime" -f "%M %U %S" -o "$usagefile" "${cmd[@]}")
    sync
    start=$(date +%s.%N)
    "${cmd[@]}" </dev/null >/dev/null 2>"$work/stderr" || code=$?
    end=$(date +%s.%N)
    if [ "$code" != 0 ]; then
        echo "$1 ($2, $3) failed with status $code:" >&2
        cat "$work/stderr" >&2
        exit 1
    fi
    # A run meant to find everything in place that copies something measures the wrong thing.
    if [ "${NOTHING:-no}" = yes ] && grep -q -E "Skipped copy|Files copied[^:]*: ([1-9]|0 / [1-9])" "$work/stderr"; then
        echo "$1 ($2, $3) copied files where none differ:" >&2
        head -n 20 "$work/stderr" >&2
        exit 1
    fi
    [ -z "$gnutime" ] || usage=$(tail -n 1 "$usagefile" | awk '{ printf "%s %.2f", $1, $2 + $3 }')
    awk -v s="$start" -v e="$end" -v u="$usage" 'BEGIN { printf "%.3f %s\n", e - s, u }'
}

same() {  # SRC DST
    diff -rq "$1" "$2" >/dev/null || { echo "$2 differs from $1" >&2; exit 1; }
}

# Each round starts with the next contender, so that a busy machine or a warm cache favours
# none. INITIAL=yes empties the contender's remote folder (and the program's data folder, which
# remembers upload times) before its timing and checks the server's copy after it. Fills TIMES,
# RSS and CPU, keyed by contender.
declare -A TIMES RSS CPU
scenario() {  # PROTO CASE LIST [rclone options...]
    local r i tool out n=${#contenders[@]}
    TIMES=() RSS=() CPU=()
    for ((r = 0; r < rounds; r++)); do
        for ((i = 0; i < n; i++)); do
            tool=${contenders[(r + i) % n]}
            if [ "${INITIAL:-no}" = yes ]; then
                rm -rf "$(served "$1" "$2.$tool")"
                [ "$tool" != mirrant ] || rm -rf "$XDG_DATA_HOME/Twinvale"
            fi
            read -r -a out <<<"$(timed "$tool" "$@")"
            same "$work/$2" "$(served "$1" "$2.$tool")"
            TIMES[$tool]+=" ${out[0]}"
            RSS[$tool]+=" ${out[1]}"
            CPU[$tool]+=" ${out[2]}"
        done
    done
}

# The download: each contender's local folder starts empty and must end equal to the big tree.
download_scenario() {  # PROTO LIST
    local r i tool out n=${#contenders[@]}
    TIMES=() RSS=() CPU=()
    for ((r = 0; r < rounds; r++)); do
        for ((i = 0; i < n; i++)); do
            tool=${contenders[(r + i) % n]}
            rm -rf "$work/down.$tool"
            [ "$tool" != mirrant ] || rm -rf "$XDG_DATA_HOME/Twinvale"
            read -r -a out <<<"$(timed "$tool" "$1" down "$2")"
            same "$work/big" "$work/down.$tool"
            TIMES[$tool]+=" ${out[0]}"
            RSS[$tool]+=" ${out[1]}"
            CPU[$tool]+=" ${out[2]}"
        done
    done
}

report() {  # LABEL
    local t_m t_r c_m c_r
    t_m=$(median ${TIMES[mirrant]})
    t_r=$(median ${TIMES[rclone]})
    printf '%-16s mirrant %ss  rclone %ss  mirrant/rclone %s\n' "$1:" "$t_m" "$t_r" \
        "$(ratio "$t_m" "$t_r")"
    [ -n "$gnutime" ] || return 0
    c_m=$(median ${CPU[mirrant]})
    c_r=$(median ${CPU[rclone]})
    printf '%-16s cpu %ss / %ss (%s)  peak RSS %s / %s\n' "" "$c_m" "$c_r" "$(ratio "$c_m" "$c_r")" \
        "$(mib "$(largest ${RSS[mirrant]})")" "$(mib "$(largest ${RSS[rclone]})")"
}

echo "mirrant: $mirrant  rclone: $(rclone version | head -n 1)  rounds: $rounds  work: $work"
[ -n "$gnutime" ] || echo "(no GNU time at /usr/bin/time: no CPU time and peak RSS; package 'time')"
make_trees
start_ftp
start_sftp
write_rclone_config
for proto in $protocols; do
    list="$work/$proto.tsl"
    make_list "$proto" "$list"
    echo "== $proto"
    INITIAL=yes scenario "$proto" small "$list"
    report "small upload"
    NOTHING=yes scenario "$proto" small "$list"
    report "no change"
    INITIAL=yes scenario "$proto" big "$list"
    report "big upload"
    rm -rf "$(served "$proto" big.mirrant)" "$(served "$proto" big.rclone)" "$(served "$proto" down)"
    cp -a "$work/big" "$(served "$proto" down)"
    download_scenario "$proto" "$list"
    report "big download"
    rm -rf "$(served "$proto" down)" "$work/down.mirrant" "$work/down.rclone"
    # The listed folders are filled once, untimed: the program's by itself, rclone's by a copy
    # that keeps the times (rclone's own upload lists the whole folder again for every file).
    timed mirrant "$proto" flat "$list" >/dev/null
    cp -a "$work/flat" "$(served "$proto" flat.rclone)"
    same "$work/flat" "$(served "$proto" flat.mirrant)"
    NOTHING=yes scenario "$proto" flat "$list" --dry-run
    report "list 10000"
done
echo "(trees kept in $work)"
