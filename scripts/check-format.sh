#!/usr/bin/env bash
# Fails when a C++ file of the checkout differs from what clang-format makes of it with the
# repository's .clang-format, naming each file and line. Versions of clang-format break lines
# differently; CI's is the one of Debian 12 (14). CLANG_FORMAT picks another binary.
#   scripts/check-format.sh        (to fix: the same files through clang-format -i)
set -euo pipefail
cd "$(dirname "$0")/.."
format="${CLANG_FORMAT:-clang-format}"

folders=()
for folder in src tests bench fuzz tools; do
    [ -d "$folder" ] && folders+=("$folder")
done
find "${folders[@]}" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' \) -print0 |
    xargs -0 "$format" --dry-run --Werror || {
    echo "Formatting differs from .clang-format ($("$format" --version)); run clang-format -i on the files above."
    exit 1
}
