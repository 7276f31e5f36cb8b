#!/bin/bash
# Installs what is needed, builds, and runs every test. Exits non-zero when any fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install-deps.sh"
. "$root/tools/wine-env.sh"
echo "== tests run as $MARVANE_TEST_ARCH Windows programs under $MARVANE_WINE"
testdir=$(bash "$root/tools/build.sh" --tests | tail -n 1)
rm -rf "$testdir/screenshots" && mkdir -p "$testdir/screenshots"
status=0
(cd "$testdir" && ctest --output-on-failure -j "$(nproc)" ${MARVANE_CTEST_ARGS:-}) || status=$?
# Screenshots are saved as BMP by the Windows side; PNG is what people look at.
for f in "$testdir"/screenshots/*.bmp; do
    [ -e "$f" ] || continue
    convert "$f" "${f%.bmp}.png" && rm -f "$f"
done
echo "== screenshots in $testdir/screenshots"
exit $status
