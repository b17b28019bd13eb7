#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing, packaging, the release and the
# demo need: every program the scripts and tests call comes from one of them. Skips what is
# already present and uses sudo when not run as root.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libpng-dev zlib1g-dev
    libgtest-dev libgmock-dev
    libcli11-dev nlohmann-json3-dev
    clang-14 libclang-rt-14-dev llvm-14
    fonts-dejavu-core
    dpkg-dev file desktop-file-utils shared-mime-info appstream xvfb xdotool
    g++-mingw-w64-x86-64-posix googletest wine wine64 nsis zip e2fsprogs icoutils librsvg2-bin
    python3-pil
    git lintian devscripts imagemagick pngquant
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
