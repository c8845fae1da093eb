#!/usr/bin/env bash
# Builds the VST3 module in Release and installs it into ~/.vst3.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"

build="$root/build/release"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSABREL_BUILD_TESTS=OFF
cmake --build "$build" --target Sabrel_VST3 --parallel "$(nproc)"

bundle="$(find "$build" -maxdepth 5 -type d -name '*.vst3' -path '*VST3*' | head -n 1)"
[ -n "$bundle" ] || { echo "No VST3 bundle was built" >&2; exit 1; }

dest="$HOME/.vst3"
mkdir -p "$dest"
rm -rf "$dest/$(basename "$bundle")"
cp -R "$bundle" "$dest/"
echo "Installed $(basename "$bundle") into $dest"
