#!/usr/bin/env bash
# Debian's LV2 tools, as users check a plug-in: lv2ls lists the bundle's one
# plug-in, lv2info describes it as an instrument without a complaint, and
# lv2bench runs it.
set -euo pipefail
bundle_dir=$1
for tool in lv2ls lv2info lv2bench; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 77; }
done
uri=$(LV2_PATH="$bundle_dir" lv2ls 2>&1)
[ "$(wc -l <<<"$uri")" -eq 1 ] || { echo "$uri"; echo "FAIL: lv2ls does not list exactly one plug-in"; exit 1; }
# The system's folder brings the LV2 vocabulary, which names the plug-in's class.
export LV2_PATH="$bundle_dir:/usr/lib/lv2"
info=$(lv2info "$uri" 2>&1)
if grep -qiE 'warn|error' <<<"$info"; then
  grep -iE 'warn|error' <<<"$info"; echo "FAIL: lv2info complains"; exit 1
fi
grep -q 'Class: *Instrument Plugin' <<<"$info" || { echo "FAIL: $uri is not described as an instrument"; exit 1; }
timeout 120 lv2bench -n 8192 -b 512 "$uri"
echo "lv2ls, lv2info and lv2bench accept $uri"
