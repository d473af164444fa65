#!/usr/bin/env bash
# The DLL exports its entry, main, and nothing else.
set -euo pipefail
dll=$1
exports=$(x86_64-w64-mingw32-objdump -p "$dll" | awk '/\[Ordinal\/Name Pointer\] Table/ {table=1; next} table && /^[ \t]*\[/ {print $NF} table && /^$/ {table=0}')
echo "exports: $exports"
[ "$exports" = "main" ] || { echo "FAIL: expected only main"; exit 1; }
