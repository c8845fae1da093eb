#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing
# (xvfb: the virtual X server the tests open their real windows on).
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    juce-modules-source juce-modules-source-data juce-tools
    libcurl4-openssl-dev libfreetype-dev libfontconfig1-dev libasound2-dev
    libx11-dev libxrandr-dev libxinerama-dev libxcursor-dev libxcomposite-dev libxext-dev libgl-dev
    fonts-dejavu-core
    libfftw3-dev
    libgtest-dev libbenchmark-dev valgrind
    ladspa-sdk lsp-plugins-ladspa # the peer equaliser the hand-run phase-mode benchmarks measure
    python3 xvfb
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends "${missing[@]}"
fi
