#!/usr/bin/env bash
# Extraction benchmark: kel.lib (under Wine, through bench_extract.exe) against 7zz on the same
# ~100 MiB LZMA2 archive of mixed files (compressible text and random bytes), in the same run.
# Prints the times and their ratio, and kel.lib's size. Called by ./kel bench; needs the win32
# build. The source files and the archive are made once and kept in build/bench/extract.
set -euo pipefail
KEL_ROOT=${KEL_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
work="$KEL_ROOT/build/bench/extract"
archive="$work/mixed.7z"
bench_exe="$KEL_ROOT/out/win32/bench_extract.exe"
library="$KEL_ROOT/out/win32/kel.lib"
[ -f "$bench_exe" ] && [ -f "$library" ] || { echo "extract bench: build win32 first" >&2; exit 1; }

if [ -z "${WINEPREFIX:-}" ]; then
    source "$KEL_ROOT/scripts/wine-env.sh"
    kel_wine_start
    trap kel_wine_stop EXIT
fi

if [ ! -f "$archive" ]; then
    echo "extract bench: making the source files and the archive (once)"
    rm -rf "$work/src"
    mkdir -p "$work/src/text" "$work/src/random"
    # 64 MiB of text in 32 files: numbered lines with varying words.
    for i in $(seq 1 32); do
        awk -v seed="$i" 'BEGIN { srand(seed); split("alpha beta gamma delta setup engine archive folder registry value", w, " ");
            n = 0; while (n < 2097152) { line = sprintf("%08d %s %s %s %d\n", NR++, w[int(rand()*10)+1], w[int(rand()*10)+1], w[int(rand()*10)+1], int(rand()*100000));
            printf "%s", line; n += length(line) } }' >"$work/src/text/file$i.txt"
    done
    # 36 MiB of incompressible bytes in 9 files.
    for i in $(seq 1 9); do
        LC_ALL=C awk -v seed="$((100 + i))" 'BEGIN { srand(seed); for (n = 0; n < 4194304; n++)
            printf "%c", int(rand() * 256) }' >"$work/src/random/blob$i.bin"
    done
    (cd "$work/src" && 7zz a -bso0 -bsp0 -m0=LZMA2 -mx5 "$archive" . >/dev/null)
fi

winpath() { echo "Z:${1//\//\\}"; }
run_kel() {
    rm -rf "$work/out_kel"
    local start end inner
    start=$(date +%s%N)
    inner=$(wine "$bench_exe" "$(winpath "$archive")" "$(winpath "$work/out_kel")" | tr -d '\r')
    end=$(date +%s%N)
    kel_inner_ms=$inner
    kel_total_ms=$(((end - start) / 1000000))
}
run_7zz() {  # extra switches...
    rm -rf "$work/out_7zz"
    local start end
    start=$(date +%s%N)
    7zz x -y -bso0 -bsp0 "$@" -o"$work/out_7zz" "$archive" >/dev/null
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}

run_kel  # warms the page cache and Wine
run_kel
seven_mt=$(run_7zz)
seven_st=$(run_7zz -mmt1)
# Same files out of both.
if ! diff -rq "$work/out_kel" "$work/out_7zz" >/dev/null; then
    echo "extract bench: kel.lib and 7zz extracted different files" >&2
    exit 1
fi
rm -rf "$work/out_kel" "$work/out_7zz"

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
archive_mib=$(awk -v s="$(stat -c %s "$archive")" 'BEGIN { printf "%.1f", s / 1048576 }')
echo "extract bench: archive $archive_mib MiB packed, $(du -sm "$work/src" | cut -f1) MiB unpacked"
echo "extract bench: kel.lib ${kel_inner_ms} ms in ExtractArchive, ${kel_total_ms} ms with the Wine process"
echo "extract bench: 7zz x ${seven_mt} ms (its default threads), ${seven_st} ms (-mmt1)"
echo "extract bench: ratio kel.lib / 7zz = $(ratio "$kel_total_ms" "$seven_mt") (default threads)," \
     "$(ratio "$kel_total_ms" "$seven_st") (one thread)"
echo "extract bench: kel.lib size $(stat -c %s "$library") bytes"
