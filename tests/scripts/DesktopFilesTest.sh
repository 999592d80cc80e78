#!/usr/bin/env bash
# The desktop files as `cmake --install` lays them out: the desktop entry, the software
# centres' description and the task list type pass the desktop's own checks, and a MIME
# database built from the type maps task lists to it by name and by their first bytes.
#   DesktopFilesTest.sh BUILD_DIR      (exit 77: a checker is not installed; setup.sh installs it)
set -euo pipefail
build="$1"
for tool in desktop-file-validate appstreamcli update-mime-database; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
share="$prefix/share"

desktop-file-validate "$share/applications/twinvale.desktop"
appstreamcli validate --no-net --strict "$share"/metainfo/*.metainfo.xml
if command -v xmllint >/dev/null; then
    xmllint --noout "$share/mime/packages/twinvale.xml"
fi

# With its folder on the search path the tool has nothing to note: anything it says is a fault.
said="$(XDG_DATA_HOME="$share" update-mime-database "$share/mime" 2>&1)"
if [ -n "$said" ]; then
    echo "update-mime-database: $said"
    exit 1
fi
grep -qx '50:application/x-twinvale-tasklist:\*\.tsl' "$share/mime/globs2"
grep -q 'application/x-twinvale-tasklist' "$share/mime/magic"
echo "desktop files: all checks passed"
