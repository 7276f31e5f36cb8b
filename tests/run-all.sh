#!/bin/bash
# Installs what is needed, builds, and runs every test. Exits non-zero when any fails.
# Each part ends with a line saying how long it took.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mark=$SECONDS
took() {  # what
    echo "== $1 took $((SECONDS - mark)) s"
    mark=$SECONDS
}
bash "$root/tools/install-deps.sh"
. "$root/tools/wine-env.sh"
echo "== tests run as $MARVANE_TEST_ARCH Windows programs under $MARVANE_WINE"
took "installing what is needed"
testdir=$(bash "$root/tools/build.sh" --tests | tail -n 1)
took "building setup.exe and the test programs"

# The native build of the host checks and the two builds of the reproducibility
# check need nothing of the tests: they run meanwhile at the lowest priority, on
# what the tests leave of the processors, and report in their places below.
logs=$(mktemp -d "${TMPDIR:-/tmp}/marvane-checks.XXXXXX")
trap 'rm -rf "$logs"' EXIT
nice -n 19 bash "$root/tools/run-host-checks.sh" --build >"$logs/host-build.log" 2>&1 &
host_build=$!
nice -n 19 bash "$root/tools/check-reproducible.sh" >"$logs/reproducible.log" 2>&1 &
reproducible=$!

rm -rf "$testdir/screenshots" && mkdir -p "$testdir/screenshots"
status=0
(cd "$testdir" && ctest --output-on-failure -j "$(nproc)" ${MARVANE_CTEST_ARGS:-}) || status=$?
took "running the tests (ctest)"
# Screenshots are saved as BMP by the Windows side; PNG is what people look at.
for f in "$testdir"/screenshots/*.bmp; do
    [ -e "$f" ] || continue
    convert "$f" "${f%.bmp}.png" && rm -f "$f"
done
echo "== screenshots in $testdir/screenshots"
# Where the tests above ran the 64-bit build, the real 32-bit programs run the
# end-to-end tests through emulation (timed on their own).
if [ "$MARVANE_TEST_ARCH" != i686 ]; then
    bash "$root/tools/qemu/run-tests.sh" || status=1
fi

# ---- Release checks: setup.exe's own size, what both programs ask of the loader,
# the pure code under sanitizers and fuzzing (natively, with clang), and two builds
# in different folders compared.
echo "== release checks: size of $root/build/setup.exe (target size-check)"
cmake --build "$root/build" --target size-check || status=1
echo "== release checks: imports and loader fields of setup.exe and remove.exe (tools/legacy-exports.txt)"
"$root/build/host/pecheck" --exports "$root/tools/legacy-exports.txt" \
    "$root/build/setup.exe" "$root/build/payload/remove.exe" || status=1
took "size and import checks"
echo "== release checks: sanitizers and fuzzing (tools/run-host-checks.sh)"
# A failed build is built (and reported) again by the checks themselves.
wait $host_build || true
bash "$root/tools/run-host-checks.sh" || status=1
took "host checks"
echo "== release checks: reproducible build (tools/check-reproducible.sh)"
wait $reproducible || status=1
cat "$logs/reproducible.log"
took "the rest of the reproducibility check"
echo "== all done in $SECONDS s"
exit $status
