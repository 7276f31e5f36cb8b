#!/bin/bash
# Benchmark of the payload packer (tools/szddpack) against mscompress, in one run
# on the same inputs: container sizes and encode times for every payload file and
# for a fixed corpus (text, Windows executable, WAVE, BMP), the optimality check
# on small inputs, a 50 MB file, and the expansion speed of that file through
# Wine's lz32. Prints figures; exits 1 when a goal is missed.
#   bench/codec.sh [--sizes] [BUILD_DIR]
#                       payload files from BUILD_DIR/payload (default: build/, else
#                       build-x64/); work files in $MARVANE_BENCH_DIR (default
#                       /tmp/marvane-bench). The container sizes of the payload files
#                       and the corpus go to $MARVANE_BENCH_DIR/sizes.tsv; --sizes
#                       stops there (bench/install-speed.sh plots them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${MARVANE_BENCH_DIR:-/tmp/marvane-bench}
sizes_only=0
if [ "${1:-}" = --sizes ]; then
    sizes_only=1
    shift
fi
build=${1:-}
if [ -z "$build" ]; then
    build=$root/build
    [ -d "$build/payload" ] || build=$root/build-x64
fi
[ -f "$build/payload/Marvane.exe" ] || { echo "no payload files in $build/payload: build first"; exit 1; }

# What the corpus and the tools come from (Debian packages).
wave_src=/usr/share/sounds/sound-icons/electric-piano-3.wav
exe_src=/usr/lib/i386-linux-gnu/wine/i386-windows/notepad.exe
[ -f "$exe_src" ] || exe_src=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/notepad.exe
missing=()
command -v mscompress >/dev/null || missing+=(mscompress)
command -v convert >/dev/null || missing+=(imagemagick)
command -v bc >/dev/null || missing+=(bc)
[ -f "$wave_src" ] || missing+=(sound-icons)
if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

mkdir -p "$work/corpus" "$work/run"
echo "== building the packer and the optimality check (native, -O2)"
cmake -S "$root/tools" -B "$work/host" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/host" -j2 >/dev/null
packer=$work/host/szddpack
g++ -std=c++17 -O2 -I"$root" "$root/bench/optimal.cpp" "$root/payload/szdd.cpp" "$root/payload/szddheader.cpp" -o "$work/optimal"
g++ -std=c++17 -O2 "$root/bench/mkbench.cpp" -o "$work/mkbench"

# The fixed corpus: taken from Debian packages, or drawn by ImageMagick.
cp /usr/share/common-licenses/GPL-3 "$work/corpus/GPL-3.txt"
cp "$exe_src" "$work/corpus/notepad.exe"
cp "$wave_src" "$work/corpus/piano.wav"
# The same sound in the format of the product's own sounds: 8-bit PCM.
"$work/mkbench" wave8 "$wave_src" "$work/corpus/piano8.wav"
convert logo: -type Palette bmp3:"$work/corpus/logo.bmp"

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# pack FILE -> sets ours, theirs (bytes), ours_ms, theirs_ms; checks both expand back.
pack() {
    local f=$1 name
    name=$(basename "$f")
    cp "$f" "$work/run/$name"
    rm -f "$work/run/$name"_ "$work/run/$name.szdd"
    local t0 t1 t2
    t0=$(now_ms)
    "$packer" "$work/run/$name" "$work/run/$name.szdd"
    t1=$(now_ms)
    mscompress "$work/run/$name" >/dev/null
    t2=$(now_ms)
    ours=$(stat -c %s "$work/run/$name.szdd")
    theirs=$(stat -c %s "$work/run/$name"_)
    ours_ms=$((t1 - t0))
    theirs_ms=$((t2 - t1))
    msexpand < "$work/run/$name.szdd" | cmp -s - "$f" || { echo "msexpand: $name.szdd does not expand back"; exit 1; }
}

goals_missed=0
larger=0
sizes=$work/sizes.tsv
printf 'group\tfile\tbytes\tszddpack\tmscompress\n' > "$sizes"
# table TITLE GROUP FILES... -> prints one row per file and the total; rows also to sizes.tsv
table() {
    local title=$1 group=$2
    shift 2
    local tb=0 to=0 tt=0 tom=0 ttm=0
    echo
    echo "== $title"
    printf '%-16s %11s %11s %11s %7s %9s %9s\n' file bytes szddpack mscompress saved "ours ms" "msc. ms"
    for f in "$@"; do
        pack "$f"
        local bytes
        bytes=$(stat -c %s "$f")
        printf '%-16s %11d %11d %11d %6.2f%% %9d %9d\n' "$(basename "$f")" "$bytes" "$ours" "$theirs" \
            "$(echo "scale=4; 100 * ($theirs - $ours) / $theirs" | bc)" "$ours_ms" "$theirs_ms"
        [ "$ours" -le "$theirs" ] || { echo "   ^ larger than mscompress's"; larger=$((larger + 1)); }
        printf '%s\t%s\t%d\t%d\t%d\n' "$group" "$(basename "$f")" "$bytes" "$ours" "$theirs" >> "$sizes"
        tb=$((tb + bytes)) to=$((to + ours)) tt=$((tt + theirs)) tom=$((tom + ours_ms)) ttm=$((ttm + theirs_ms))
    done
    total_saved=$(echo "scale=4; 100 * ($tt - $to) / $tt" | bc)
    printf '%-16s %11d %11d %11d %6.2f%% %9d %9d\n' total "$tb" "$to" "$tt" "$total_saved" "$tom" "$ttm"
    total_ours_ms=$tom total_theirs_ms=$ttm
}

payload_files=()
while read -r _ name; do payload_files+=("$build/payload/$name"); done < "$build/containers/manifest.txt"
table "payload files ($build/payload)" payload "${payload_files[@]}"
table "corpus" corpus "$work/corpus/GPL-3.txt" "$work/corpus/notepad.exe" "$work/corpus/piano.wav" \
    "$work/corpus/logo.bmp" "$work/corpus/piano8.wav"
enc_ours=$total_ours_ms enc_theirs=$total_theirs_ms
# saved_without NAME -> percent saved over the corpus rows of sizes.tsv other than NAME
saved_without() {
    awk -F '\t' -v skip="$1" '$1 == "corpus" && $2 != skip { o += $4; t += $5 }
        END { printf "%.2f", 100 * (t - o) / t }' "$sizes"
}
corpus_saved=$(saved_without piano8.wav)
corpus8_saved=$(saved_without piano.wav)
echo "corpus with the 16-bit WAVE only (the goal's corpus): ${corpus_saved}% saved"
echo "corpus with the 8-bit WAVE only:                      ${corpus8_saved}% saved"
both_saved=$(printf '%.2f' "$total_saved")
echo "corpus with both (the total above):                   ${both_saved}% saved"
[ "$sizes_only" = 1 ] && exit 0

echo
echo "== optimality on small inputs"
"$work/optimal" || goals_missed=$((goals_missed + 1))

echo
echo "== a 50 MB file (the 64-bit Windows DLLs of the wine package, concatenated)"
if [ ! -s "$work/big/big.bin" ]; then
    mkdir -p "$work/big"
    # head stops reading at 50 MB; the writers' broken pipe is expected.
    (set +o pipefail; find /usr/lib/x86_64-linux-gnu/wine/x86_64-windows -name '*.dll' | sort | xargs cat 2>/dev/null |
        head -c 52428800 > "$work/big/big.bin")
fi
table "50 MB file" big "$work/big/big.bin"
enc_ours=$((enc_ours + total_ours_ms)) enc_theirs=$((enc_theirs + total_theirs_ms))

echo
echo "== expanding the 50 MB container through Wine's lz32 (wine64, LZCopy)"
. "$root/tools/wine-env.sh"
x86_64-w64-mingw32-gcc -O2 -s "$root/bench/lzexpand.c" -o "$work/lzexpand.exe" -llz32
export WINEPREFIX=$work/wineprefix WINELOADER=/usr/lib/wine/wine64 WINEDEBUG=-all
[ -f "$WINEPREFIX/system.reg" ] || /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
rm -f "$work/big/big.out"
/usr/lib/wine/wine64 "$work/lzexpand.exe" "Z:${work//\//\\}\\run\\big.bin.szdd" "Z:${work//\//\\}\\big\\big.out"
cmp "$work/big/big.out" "$work/big/big.bin" && echo "lz32 output identical to the input"
wineserver -k 2>/dev/null || true

echo
echo "== goals"
check() { if [ "$1" = 1 ]; then echo "met:    $2"; else echo "MISSED: $2"; goals_missed=$((goals_missed + 1)); fi; }
check "$([ "$larger" -eq 0 ] && echo 1)" "every container no larger than mscompress's"
check "$(echo "$corpus_saved >= 3" | bc)" "corpus total ${corpus_saved}% smaller than mscompress's (goal: 3%; GPL-3.txt, notepad.exe, piano.wav, logo.bmp)"
echo "        (with the 8-bit WAVE in place of the 16-bit one: ${corpus8_saved}%; with both: ${both_saved}%)"
check "$([ "$enc_ours" -le "$enc_theirs" ] && echo 1)" "encoding no slower: ${enc_ours} ms against ${enc_theirs} ms (corpus and 50 MB file)"
[ "$goals_missed" -eq 0 ]
