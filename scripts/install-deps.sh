#!/usr/bin/env bash
# Installs everything QVgui needs to build, run and test, from Debian's package archive only.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config git
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    qt6-base-dev libgl-dev
    libffms2-dev ffmpeg libavcodec-dev libavformat-dev libavutil-dev libswscale-dev
    xvfb xauth imagemagick
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
