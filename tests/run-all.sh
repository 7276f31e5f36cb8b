#!/bin/bash
# Installs what is needed, builds, and runs every test. Exits non-zero when any fails.
# Each part ends with a line saying how long it took. Skipped tests are listed at the
# end with their reasons. Stopped part-way (INT, TERM, HUP), it ends every process it
# started: builds, tests, their displays and Wine processes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/procs.sh"
proc_guard "$0" "$@"
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
# Ended early (a failed step), the checks started below do not go on alone.
trap 'trap "" INT TERM HUP; proc_end_descendants $$; rm -rf "$logs"' EXIT
trap 'exit 143' TERM
nice -n 19 bash "$root/tools/run-host-checks.sh" --build >"$logs/host-build.log" 2>&1 &
host_build=$!
nice -n 19 bash "$root/tools/check-reproducible.sh" >"$logs/reproducible.log" 2>&1 &
reproducible=$!

rm -rf "$testdir/screenshots" && mkdir -p "$testdir/screenshots"
status=0
rm -f "$testdir/junit.xml"
(cd "$testdir" && ctest --output-on-failure --output-junit junit.xml -j "$(nproc)" ${MARVANE_CTEST_ARGS:-}) || status=$?
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
untested=
if [ "$MARVANE_PE32_WAY" = none ]; then
    untested="the shipped program, $root/build/setup.exe (PE32, i386), was not tested: neither the 32-bit Wine loader nor the emulator (tools/qemu/setup.sh) runs here; the tests ran the 64-bit build"
    status=1
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

# ---- What was not tested. A skipping test prints "skipped: REASON"; one that lacks
# root says "skipped: needs root: ...". Any other skip lacks what tools/install-deps.sh
# provides, and fails the run.
skips() {  # junit.xml...: "name<TAB>reason" per skipped test
    python3 - "$@" <<'EOF'
import sys, xml.etree.ElementTree as ET
for path in sys.argv[1:]:
    for case in ET.parse(path).iter("testcase"):
        if case.find("skipped") is None:
            continue
        said = [l[len("skipped:"):].strip() for l in (case.findtext("system-out") or "").splitlines()
                if l.startswith("skipped:")]
        print(case.get("name") + "\t" + (said[-1] if said else "(no reason given)"))
EOF
}
junits=("$testdir/junit.xml")
[ "$testdir" != "$root/build" ] && [ -f "$root/build/junit.xml" ] && junits+=("$root/build/junit.xml")
mapfile -t skipped < <(skips "${junits[@]}" 2>/dev/null || true)
if [ ${#skipped[@]} -gt 0 ]; then
    echo "== skipped tests (${#skipped[@]}):"
    need_root=0
    for line in "${skipped[@]}"; do
        name=${line%%$'\t'*}
        reason=${line#*$'\t'}
        echo "   $name: $reason"
        case $reason in
            "needs root"*) need_root=$((need_root + 1)) ;;
            *) echo "   ($name lacks what tools/install-deps.sh provides: that fails the run)"; status=1 ;;
        esac
    done
    [ $need_root -gt 0 ] && echo "== this run tested less than the whole suite: $need_root test(s) need root (run as root to run them)"
fi
[ -n "$untested" ] && echo "== FAILED: $untested"
echo "== all done in $SECONDS s"
exit $status
