#!/usr/bin/env bash
# The interpreter's GoTo loop of 10 million statements in the Windows build under Wine, with the
# Win32 clock; run by ./kel bench once Wine is up. Prints statements per second.
set -euo pipefail
cd "$(dirname "$0")/.."
exe=out/win32/win32_interpreter_bench.exe
[ -f "$exe" ] || { echo "interpreter_wine: $exe not built" >&2; exit 0; }
wine "$exe" </dev/null 2>/dev/null
