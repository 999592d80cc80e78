#!/usr/bin/env bash
# Fails when a file of src/ includes a header of a layer its own layer does not build on, or
# includes Qt below the windows. The DEPS of each twinvale_layer() in src/CMakeLists.txt are
# the one statement of the layering: a layer builds on the layers it names and on theirs, and
# on Qt only when one of them is a Qt target. Those DEPS must not form a cycle, and every
# folder of src/ must be a layer. Files directly in src/ and in tools/ sit on top of it all.
# Prints FILE:LINE: and the reason for each offence.
#   scripts/check-layers.sh [CHECKOUT]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

folders=(src)
[ -d tools ] && folders+=(tools)
files=$(find "${folders[@]}" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' \) | LC_ALL=C sort)

# shellcheck disable=SC2086  # one argument per file name; the names hold no blanks
awk '
function visit(name,    list, n, i, d, other) {
    if (state[name] == 2) return
    if (state[name] == 1) {
        printf "src/CMakeLists.txt: the DEPS of the layers run in a cycle through %s\n", name
        bad = 1
        return
    }
    state[name] = 1
    n = split(deps[name], list, " ")
    for (i = 1; i <= n; i++) {
        d = list[i]
        if (!(d in layer)) continue
        visit(d)
        below[name, d] = 1
        for (other in layer) if ((d, other) in below) below[name, other] = 1
        if (d in qt) qt[name] = 1
    }
    state[name] = 2
}

FNR == NR {
    if ($0 !~ /^[ \t]*twinvale_layer\(/) next
    text = $0
    sub(/^[ \t]*twinvale_layer\(/, "", text)
    sub(/\).*$/, "", text)
    n = split(text, word, /[ \t]+/)
    layer[word[1]] = 1
    for (i = 2; i <= n; i++) {
        if (word[i] ~ /^twinvale_/) deps[word[1]] = deps[word[1]] " " substr(word[i], 10)
        else if (word[i] ~ /^Qt[0-9]*::/) qt[word[1]] = 1
    }
    next
}

FNR == 1 {
    if (!started) {
        started = 1
        for (name in layer) visit(name)
    }
    own = ""
    if (FILENAME ~ /^src\/[^\/]+\//) {
        split(FILENAME, part, "/")
        own = part[2]
        if (!(own in layer) && !(own in unknown)) {
            unknown[own] = 1
            printf "%s: src/%s is not a layer of src/CMakeLists.txt\n", FILENAME, own
            bad = 1
        }
    }
}

/^[ \t]*#[ \t]*include[ \t]*["<]/ {
    path = $0
    sub(/^[ \t]*#[ \t]*include[ \t]*/, "", path)
    angled = substr(path, 1, 1) == "<"
    path = substr(path, 2)
    sub(/[">].*$/, "", path)
    if (own == "" || !(own in layer)) {
        if (FILENAME ~ /^src\// && path ~ /^tools\//) {
            printf "%s:%d: includes %s; nothing in src/ builds on tools/\n", FILENAME, FNR, path
            bad = 1
        }
        next
    }
    if (angled && path ~ /^(Q[A-Za-z0-9]*|Qt[A-Za-z]*\/.*)$/ && !(own in qt)) {
        printf "%s:%d: includes Qt (%s) below the windows\n", FILENAME, FNR, path
        bad = 1
    }
    split(path, part, "/")
    used = part[1]
    if (path ~ /\// && (used == "tools" || (used in layer && used != own && !((own, used) in below)))) {
        printf "%s:%d: includes %s, but %s does not build on %s\n", FILENAME, FNR, path, own, used
        bad = 1
    }
}

END { exit bad }
' src/CMakeLists.txt $files
