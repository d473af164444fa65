#!/usr/bin/env bash
# Installs what is missing, builds the plug-in and the renderer in build/, and
# renders the demo phrase of examples/ once with each sound there (*.params)
# to WAV files in out/, printing their paths.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source tools/setup-debian.sh
zarvex_install_packages "${ZARVEX_BUILD_PACKAGES[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target Zarvex zarvex-render

mkdir -p out
rendered=()
for sound in examples/*.params; do
  name=$(basename "$sound" .params)
  build/tools/zarvex-render --plugin build/plugin/Zarvex.so --params "$sound" \
    examples/demo-phrase.mid -o "out/demo-$name.wav"
  rendered+=("$root/out/demo-$name.wav")
done
echo
echo "The demo phrase, rendered through Zarvex:"
printf '  %s\n' "${rendered[@]}"
