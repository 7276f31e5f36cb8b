#!/bin/bash
# Builds setup.exe twice from copies of the sources in two different folders (with
# a different job count, time zone and umask) and compares the results byte for
# byte: setup.exe, the packed payload (the staged files and their containers) and
# the package manifest in winget/.
# Exits non-zero when anything differs. The copies hold what git tracks plus the
# untracked files it does not ignore, i.e. what the next commit would hold.
#   tools/check-reproducible.sh [-k]     -k keeps the two trees (printed) to look at
# SOURCE_DATE_EPOCH, when set, applies to both builds, and so do the extra CMake
# options in MARVANE_CMAKE_ARGS (as for tools/build.sh), e.g. a release engineer's
# -DMARVANE_PAYLOAD_DIR=... and signing options. Give paths in them absolute: both
# builds then read the same payload directory and certificate.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
keep=0
[ "${1:-}" = -k ] && keep=1

work=$(mktemp -d "${TMPDIR:-/tmp}/marvane-repro.XXXXXX")
if [ $keep = 0 ]; then
    trap 'rm -rf "$work"' EXIT
fi
# Stopped part-way (tests/run-all.sh ends its checks so), the copies still go: a
# second signal does not stop their removal.
trap 'trap "" INT TERM HUP; exit 143' TERM
trap 'trap "" INT TERM HUP; exit 130' INT
trap 'trap "" INT TERM HUP; exit 129' HUP

copy_sources() {  # destination
    mkdir -p "$1"
    if [ "$(git -C "$root" rev-parse --show-toplevel 2>/dev/null)" = "$root" ]; then
        # Tracked files deleted in the work tree are listed too: skip them.
        (cd "$root" && git ls-files -z -co --exclude-standard |
            while IFS= read -r -d '' f; do [ -f "$f" ] && printf '%s\0' "$f"; done |
            xargs -0 -r cp --parents -t "$1")
    else
        (cd "$root" && tar -c --exclude='./build' --exclude='./build-*' --exclude='./.git' . | tar -x -C "$1")
    fi
}

build() {  # source-dir jobs time-zone umask
    local src=$1
    (
        umask "$4"
        export TZ=$3
        cmake -S "$src" -B "$src/build" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-mingw-i686.cmake" \
            -DMARVANE_BUILD_TESTS=OFF ${MARVANE_CMAKE_ARGS:-} >"$src/build.log" 2>&1
        cmake --build "$src/build" -j "$2" >>"$src/build.log" 2>&1
    ) || { echo "== build in $src failed:"; tail -n 30 "$src/build.log"; return 1; }
}

a=$work/a/src
b=$work/second-copy/of/the/sources
copy_sources "$a"
copy_sources "$b"
[ -n "${MARVANE_CMAKE_ARGS:-}" ] && echo "== both builds with: $MARVANE_CMAKE_ARGS"
# Both at once: the trees share nothing, and the first build's single job leaves a
# core to the second.
echo "== building in $a"
echo "== building in $b"
build "$a" 1 UTC 022 &
pid_a=$!
build "$b" "$(nproc)" Pacific/Kiritimati 077 &
pid_b=$!
built=0
wait $pid_a || built=1
wait $pid_b || built=1
[ $built = 0 ] || exit 1

# What is compared: setup.exe, every file of the packed payload and the package
# manifest. Left out: CMake's own files (build/payload is also the build folder of
# payload/) and the *.source notes beside the containers, which record where in the
# build each file came from.
list_outputs() {  # build-dir
    (cd "$1" && {
        echo setup.exe
        for d in payload containers winget; do
            if [ -d "$d" ]; then
                find "$d" -type f ! -path '*/CMakeFiles/*' ! -name Makefile ! -name '*.cmake' ! -name '*.ninja' \
                    ! -name '*.source'
            fi
        done
    } | LC_ALL=C sort)
}

status=0
outputs_a=$(list_outputs "$a/build")
outputs_b=$(list_outputs "$b/build")
if [ "$outputs_a" != "$outputs_b" ]; then
    echo "== the two builds made different files:"
    diff <(echo "$outputs_a") <(echo "$outputs_b") || true
    status=1
fi
same=0
while IFS= read -r f; do
    if [ ! -f "$b/build/$f" ]; then
        continue
    elif cmp -s "$a/build/$f" "$b/build/$f"; then
        same=$((same + 1))
    else
        echo "== DIFFERENT: $f"
        cmp -l "$a/build/$f" "$b/build/$f" | head -n 10 || true
        status=1
    fi
done <<<"$outputs_a"

exe=$a/build/setup.exe
echo "== setup.exe: $(stat -c %s "$exe") bytes, sha256 $(sha256sum "$exe" | cut -d' ' -f1)"
if [ $status = 0 ]; then
    echo "== reproducible: $same files identical in both builds"
else
    echo "== NOT reproducible (see above)"
fi
[ $keep = 1 ] && echo "== trees kept in $work"
exit $status
