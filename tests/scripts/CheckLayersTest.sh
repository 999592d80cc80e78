#!/usr/bin/env bash
# Runs scripts/check-layers.sh over a made-up checkout with one offence of each kind next to
# includes that are allowed, and expects exactly the offences, each at its file and line.
set -euo pipefail
check="$(cd "$(dirname "$0")/../.." && pwd)/scripts/check-layers.sh"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
cd "$tree"

put() {  # put FILE LINE...: writes the lines to FILE
    mkdir -p "$(dirname "$1")"
    local file=$1
    shift
    printf '%s\n' "$@" >"$file"
}

put src/CMakeLists.txt \
    'twinvale_layer(base DEPS PkgConfig::UTF8PROC)' \
    'twinvale_layer(platform DEPS twinvale_base Threads::Threads)' \
    'twinvale_layer(task DEPS twinvale_platform)' \
    'if(NOT TWINVALE_FUZZ)' \
    '    twinvale_layer(ui DEPS twinvale_task Qt6::Widgets)' \
    'endif()'
put src/base/Text.h '#pragma once' '#include <string>'
put src/base/Up.cpp '// reaches up' '#include "base/Text.h"' '#include "platform/File.h"'
put src/platform/File.h '#pragma once' '#include "base/Text.h"' '#include "File2.h"'
put src/platform/Gui.cpp '#include <QString>' '#  include <QtCore/qglobal.h>' '#include <Quux.h>'
put src/task/Side.cpp '#include <task/Side.h>' '#include <ui/Window.h>'
put src/ui/Window.cpp '#include <QWidget>' '#include "base/Text.h"' '#include "task/Side.h"'
put src/main.cpp '#include "ui/Window.h"' '#include <QApplication>' '#include "tools/cmp/Cmp.h"'
put src/stray/Lost.cpp '#include "base/Text.h"'
put tools/cmp/Cmp.cpp '#include "ui/Window.h"' '#include <QWidget>'

expected='src/base/Up.cpp:3: includes platform/File.h, but base does not build on platform
src/main.cpp:3: includes tools/cmp/Cmp.h; nothing in src/ builds on tools/
src/platform/Gui.cpp:1: includes Qt (QString) below the windows
src/platform/Gui.cpp:2: includes Qt (QtCore/qglobal.h) below the windows
src/stray/Lost.cpp: src/stray is not a layer of src/CMakeLists.txt
src/task/Side.cpp:2: includes ui/Window.h, but task does not build on ui'
status=0
actual=$("$check" "$tree") || status=$?
if [ "$status" != 1 ] || [ "$actual" != "$expected" ]; then
    echo "exit status $status (expected 1); offences found:"
    diff <(echo "$expected") <(echo "$actual") || true
    exit 1
fi

# A dependency that closes a cycle is an offence even when no include uses it.
rm -r src/stray src/base/Up.cpp src/platform/Gui.cpp src/task/Side.cpp src/main.cpp
"$check" "$tree" || { echo "a checkout without offences was refused"; exit 1; }
sed -i 's/twinvale_layer(base DEPS/twinvale_layer(base DEPS twinvale_task/' src/CMakeLists.txt
if actual=$("$check" "$tree") || ! grep -q 'run in a cycle' <<<"$actual"; then
    echo "a cycle in the DEPS was not refused: $actual"
    exit 1
fi
echo "check-layers: every offence found at its line, and only those"
