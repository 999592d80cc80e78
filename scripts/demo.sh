#!/usr/bin/env bash
# Sets up the machine, builds the program and runs its main job on a demo task list: the list
# is created from a JSON description and then read back, both through the real `mirrant`.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh build -DCMAKE_BUILD_TYPE=Release

demo=$(mktemp -d /tmp/twinvale-demo-XXXXXX)
export HOME="$demo/home" XDG_CONFIG_HOME="$demo/home/config" XDG_DATA_HOME="$demo/home/data" \
    XDG_STATE_HOME="$demo/home/state" TWINVALE_SHUTDOWN_CMD=true
mkdir -p "$demo/source" "$demo/target" "$HOME"
echo "hello" >"$demo/source/readme.txt"

cat >"$demo/demo.json" <<JSON
{"tasks": [{"m_strName": "Demo backup",
            "m_Source": {"m_strPath": "$demo/source"},
            "m_Targets": [{"m_strPath": "$demo/target"}],
            "m_dwOptions": 2272,
            "m_strExcludeMasks": "*.tmp;*.bak"}]}
JSON

./build/src/mirrant --make-list "$demo/demo.json" "$demo/demo.tsl"
echo "Task list written to $demo/demo.tsl; it reads back as:"
./build/src/mirrant --dump-list "$demo/demo.tsl"
