#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each briefly over its seed corpus, so that
# a target that no longer builds or crashes at once is caught. Longer runs: see the README.
#   scripts/fuzz-smoke.sh [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${FUZZ_RUNS:-20000}"

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DTWINVALE_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build build-fuzz

for fuzzer in build-fuzz/fuzz/fuzz_*; do
    [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    corpus="fuzz/corpus/${name#fuzz_}"
    work=$(mktemp -d)
    [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
    # A private key is made fresh for each run rather than kept in the repository.
    if [ "$name" = fuzz_sshkey ]; then
        ssh-keygen -q -t ed25519 -N "" -C seed -f "$work/seed" </dev/null
    fi
    echo "fuzz: $name ($runs runs)"
    "$fuzzer" -runs="$runs" -max_len=65536 -timeout=10 "$work" 2>"$work.log" || {
        tail -40 "$work.log"
        exit 1
    }
    rm -rf "$work" "$work.log"
done
