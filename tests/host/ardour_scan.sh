#!/usr/bin/env bash
# Ardour's plug-in scanner, a real host, must accept the plug-in: it writes a
# cache file describing it only when loading and querying it succeeded.
set -euo pipefail
plugin=$1
scanner=/usr/lib/ardour7/ardour-vst-scanner
if [ ! -x "$scanner" ]; then
  echo "Ardour's scanner is not installed"; exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/cache" "$scratch/config"
HOME="$scratch/home" XDG_CACHE_HOME="$scratch/cache" XDG_CONFIG_HOME="$scratch/config" \
  LD_LIBRARY_PATH=/usr/lib/ardour7 ARDOUR_FPU_FLAGS=0 \
  timeout 120 "$scanner" -f -v "$plugin" || true
cache=$(find "$scratch/cache" -name '*.v2i' | head -n 1)
if [ -z "$cache" ]; then
  echo "FAIL: the scanner wrote no cache file for $plugin"; exit 1
fi
cat "$cache"
for expected in 'name="Zarvex"' 'creator="Kelmori"' 'n_inputs="0"' 'n_outputs="2"' 'is_instrument="1"' 'category="Instrument"'; do
  grep -q "$expected" "$cache" || { echo "FAIL: the scanner did not report $expected"; exit 1; }
done
echo "Ardour's scanner accepts $plugin"
