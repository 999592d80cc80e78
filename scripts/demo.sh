#!/usr/bin/env bash
# Sets up the machine, builds the program and runs its main job: a one-way backup of a demo
# folder, from a task list made with --make-list, run unattended as a scheduler would run it.
# Everything lives under a fresh temporary folder, settings and logs included.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh build-release -DCMAKE_BUILD_TYPE=Release
mirrant=./build-release/src/mirrant

demo=$(mktemp -d /tmp/twinvale-demo-XXXXXX)
export HOME="$demo/home" XDG_CONFIG_HOME="$demo/home/config" XDG_DATA_HOME="$demo/home/data" \
    XDG_STATE_HOME="$demo/home/state" TWINVALE_SHUTDOWN_CMD=true
mkdir -p "$demo/source/photos/2026" "$demo/target" "$HOME"
echo "hello" >"$demo/source/readme.txt"
printf 'line %s\n' $(seq 1 2000) >"$demo/source/notes.txt"
head -c 300000 /dev/urandom >"$demo/source/photos/2026/beach.jpg"
echo "scratch" >"$demo/source/draft.tmp"

# Task 1: target update only (0x21: backup, with subfolders, no preview), a plain-text log
# (0xC00), *.tmp files left out.
cat >"$demo/demo.json" <<JSON
{"version": "590",
 "tasks": [{"m_nTaskId": 1, "m_strName": "Demo backup",
            "m_Source": {"m_strPath": "$demo/source"},
            "m_Targets": [{"m_strPath": "$demo/target"}],
            "m_dwOptions": 33, "m_dwOptions2": 8, "m_dwOptions3": 3072,
            "m_strExcludeMasks": "*.tmp"}]}
JSON

"$mirrant" --make-list "$demo/demo.json" "$demo/demo.tsl"
echo "== Task list $demo/demo.tsl written; running: mirrant /F:$demo/demo.tsl 1"
status=0
"$mirrant" "/F:$demo/demo.tsl" 1 || status=$?
echo "== Exit status: $status"
echo "== Log $XDG_DATA_HOME/Twinvale/logs/1.txt:"
cat "$XDG_DATA_HOME/Twinvale/logs/1.txt"
echo "== diff -r source target (only the excluded draft.tmp should differ):"
diff -r "$demo/source" "$demo/target" || true
