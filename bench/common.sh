# Shared by the benchmark scripts, which source it from the repository's top folder.

# Configures BUILD as a Release build the first time, then builds TARGETS; their output shows
# only when the build fails, which ends the benchmark.
build_release() {  # BUILD TARGETS...
    local build="$1" built
    shift
    if [ ! -f "$build/build.ninja" ]; then
        cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTWINVALE_TESTS=OFF >/dev/null
    fi
    if ! built=$(cmake --build "$build" --target "$@" 2>&1); then
        echo "$built" >&2
        exit 1
    fi
}

# GNU time, which reports the peak resident size, at /usr/bin/time; empty when it is not there.
gnutime=/usr/bin/time
[ -x "$gnutime" ] && "$gnutime" -f %M true 2>/dev/null || gnutime=""
