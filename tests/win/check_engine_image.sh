#!/usr/bin/env bash
# Checks of the engine's file as shipped: its PE image ends exactly at the end of the file (so an
# appended script is found after it), it imports only system libraries and kel.lib (a setup
# started from a Downloads folder must not pick up a planted DLL), and its manifest asks for
# common controls 6 and the highest available execution level.
set -euo pipefail
exe=$1
objdump=i686-w64-mingw32-objdump
fail() { echo "FAIL: $*" >&2; exit 1; }

size=$(stat -c %s "$exe")
u16() { od -An -tu2 -j "$2" -N2 "$1" | tr -d ' '; }
u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
pe=$(u32 "$exe" 60)
sections=$(u16 "$exe" $((pe + 6)))
optionalSize=$(u16 "$exe" $((pe + 20)))
table=$((pe + 24 + optionalSize))
end=0
for ((i = 0; i < sections; i++)); do
    header=$((table + 40 * i))
    e=$(($(u32 "$exe" $((header + 20))) + $(u32 "$exe" $((header + 16)))))
    [ "$e" -gt "$end" ] && end=$e
done
[ "$end" -eq "$size" ] || fail "image ends at $end but the file has $size bytes"

allowed='^(kernel32|user32|gdi32|advapi32|shell32|comctl32|comdlg32|ole32|oleaut32|version|winspool\.drv|shlwapi|msvcrt|winmm|kel)\.(dll|lib)$'
$objdump -p "$exe" | awk '/DLL Name:/ { print tolower($3) }' | while read -r dll; do
    [[ "$dll" =~ $allowed ]] || fail "imports $dll"
done

manifest=$(strings -n 8 "$exe" | tr -d '\r' | sed -n '/<assembly/,/<\/assembly>/p')
grep -q 'Microsoft.Windows.Common-Controls' <<<"$manifest" || fail "no common controls 6 in the manifest"
grep -q 'level="highestAvailable"' <<<"$manifest" || fail "execution level is not highestAvailable"
grep -q 'dpiAware' <<<"$manifest" || fail "not DPI aware"
echo "engine image checks passed"
