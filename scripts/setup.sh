#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those that are missing),
# then configures and builds. Quick when everything is already there.
#   scripts/setup.sh [BUILD_DIR] [extra cmake arguments...]
#   scripts/setup.sh --packages-only
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libutf8proc-dev
    qt6-base-dev fonts-dejavu-core libcanberra-dev desktop-file-utils appstream shared-mime-info
    libxml2-utils libcurl4-openssl-dev libssl-dev openssh-server openssh-client
    rsync findutils xxd time python3-pyftpdlib python3-openssl openssl rclone cron
    python3-aiosmtpd libzip-dev zip unzip dbus-daemon
    libburn-dev libisofs-dev xorriso libssh-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
[ "${1:-}" != --packages-only ] || exit 0

build_dir="${1:-build}"
shift || true
# Configured every time, so that options given now reach a folder configured before.
cmake -S . -B "$build_dir" -G Ninja "$@"
cmake --build "$build_dir"
