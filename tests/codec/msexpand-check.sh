#!/bin/bash
# Host-side check of the containers with a third, independent decoder: Debian's
# msexpand (package mscompress). Every payload container, and the packer's output
# for inputs on the format's edges, must expand to exactly the packed bytes, and no
# container may be larger than mscompress's own for the same file.
#   msexpand-check.sh SZDDPACK CONTAINER_DIR PAYLOAD_DIR SCRATCH_DIR
set -u
packer=$1 containers=$2 payload=$3 scratch=$4
for tool in msexpand mscompress; do
    command -v $tool >/dev/null || { echo "$tool not found (package mscompress)"; exit 1; }
done
rm -rf "$scratch" && mkdir -p "$scratch/edges"
failures=0 checked=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# check NAME CONTAINER ORIGINAL
check() {
    checked=$((checked + 1))
    if ! msexpand < "$2" > "$scratch/expanded" 2>/dev/null; then
        fail "$1: msexpand failed"
    elif ! cmp -s "$scratch/expanded" "$3"; then
        fail "$1: msexpand gives different bytes"
    fi
    # mscompress mangles inputs under 16 bytes: compare sizes only above that.
    if [ "$(stat -c %s "$3")" -ge 16 ]; then
        cp "$3" "$scratch/ref.bin" && rm -f "$scratch/ref.bin_"
        mscompress "$scratch/ref.bin" >/dev/null 2>&1
        ours=$(stat -c %s "$2") theirs=$(stat -c %s "$scratch/ref.bin_")
        [ "$ours" -le "$theirs" ] || fail "$1: $ours bytes, larger than mscompress's $theirs"
        echo "$1: $(stat -c %s "$3") -> $ours bytes (mscompress: $theirs)"
    fi
}

[ -s "$containers/manifest.txt" ] || { echo "no $containers/manifest.txt"; exit 1; }
while read -r resource name; do
    [ -f "$containers/$resource.szdd" ] || { fail "$resource: no container"; continue; }
    check "$resource ($name)" "$containers/$resource.szdd" "$payload/$name"
done < "$containers/manifest.txt"

# Edge inputs, made here byte for byte (a fixed linear congruential generator).
e=$scratch/edges
printf '%*s' 18 '' > "$e/spaces18"
printf '%*s' 9000 '' > "$e/spaces9000"
printf '%*sMarvane%*sPlus%*s' 20 '' 19 '' 3 '' > "$e/spaces-text"
head -c 5000 /dev/zero | tr '\0' 'z' > "$e/run"
for i in 0 1 2; do for c in $(seq 0 255); do printf "\\$(printf %03o "$c")"; done; done > "$e/all256"
awk 'BEGIN { x = 12345; for (i = 0; i < 4096; i++) { x = (x * 1103515245 + 12345) % 2147483648; printf "%c", 97 + int(x / 65536) % 3 } }' > "$e/block"
cat "$e/block" "$e/block" > "$e/distance4096"
{ cat "$e/block"; printf '!'; cat "$e/block"; } > "$e/distance4097"
for f in "$e"/*; do
    [ "$(basename "$f")" = block ] && continue
    if ! "$packer" "$f" "$f.szdd"; then
        fail "$(basename "$f"): szddpack failed"
        continue
    fi
    check "edge $(basename "$f")" "$f.szdd" "$f"
done

echo "$checked containers checked, $failures failures"
[ "$failures" -eq 0 ]
