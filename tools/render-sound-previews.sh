#!/usr/bin/env bash
# Renders every factory sound on its phrase through the bank's own program
# file and writes a small Ogg Vorbis file and a spectrogram of each into
# docs/sounds/, then the page that shows them, docs/sounds.md. Installs what is
# missing (sox draws and encodes) and builds the plug-in, the renderer and the
# bank in build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source tools/setup-debian.sh
zarvex_install_packages "${ZARVEX_BUILD_PACKAGES[@]}" sox

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target Zarvex zarvex-render factory-bank

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p docs/sounds

header() { sed -n "s/^# $1: //p" "$2" | head -n 1; }
# The comment lines under the headers: what the sound is.
description() { sed -n '/^# [A-Z][a-z]*: /d; /^#/!q; s/^# //p' "$1" | tr '\n' ' ' | sed 's/ $//'; }

page=$work/sounds.md
{
  echo "# The factory sounds"
  echo
  echo "The 32 programs of \`Zarvex Factory.fxb\`, each played on a short phrase suited"
  echo "to it and rendered at 44.1 kHz by \`zarvex-render\`. Every picture is a"
  echo "spectrogram of the preview beside it: time from left to right, frequency"
  echo "upwards to 22 kHz, level as brightness. Regenerate with"
  echo "\`bash tools/render-sound-previews.sh\`; the sounds' sources are in"
  echo "\`presets/sources/\`, the phrases in \`presets/phrases/\`."
} >"$page"

group=""
for source in presets/sources/*.params; do
  stem=$(basename "$source" .params)
  number=${stem%%-*}
  name=$(header Program "$source")
  phrase=$(header Phrase "$source")
  if [ "$(header Group "$source")" != "$group" ]; then
    group=$(header Group "$source")
    printf '\n## %s\n' "$group" >>"$page"
  fi
  build/tools/zarvex-render --plugin build/plugin/Zarvex.so --load "build/presets/factory/$number $name.fxp" \
    "presets/phrases/$phrase.mid" -o "$work/$stem.wav" -f pcm24 --tail 0.5 --quiet >/dev/null
  # -R: the same file every time, so regenerating changes nothing that did not change.
  sox -R "$work/$stem.wav" -C 2 "docs/sounds/$stem.ogg" remix 1
  sox "$work/$stem.wav" -n remix 1 spectrogram -x 400 -y 129 -z 90 -t "$number $name" -c "zarvex-render" -o "docs/sounds/$stem.png"
  {
    printf '\n### %s %s\n\n' "$number" "$name"
    printf '%s\n\n' "$(description "$source")"
    printf '![%s](sounds/%s.png)\n\n' "$name" "$stem"
    printf '[Listen](sounds/%s.ogg) to it on the %s phrase.\n' "$stem" "$phrase"
  } >>"$page"
  echo "rendered $number $name"
done
mv "$page" docs/sounds.md
echo "wrote docs/sounds.md and docs/sounds/"
