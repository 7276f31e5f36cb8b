#!/bin/bash
# The real 32-bit programs' tests through emulation, on a machine whose kernel runs no
# 32-bit code (where the other tests run the 64-bit build): builds the 32-bit test tree,
# build/, and runs under tools/qemu/wine the tests that start setup.exe and the remover
# as processes, the planting checks, the access-violation check of the emulation itself
# and one fault case. MARVANE_PE32_TESTS, a ctest -R expression, picks others ("." for
# all). Prints the time the emulated tests took; exits non-zero when one fails.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
export MARVANE_TEST_ARCH=i686
unset MARVANE_WINE
. "$root/tools/wine-env.sh"
if [ "$MARVANE_PE32_WAY" != emulated ]; then
    echo "== 32-bit tests through emulation: not run (the 32-bit program's way here: $MARVANE_PE32_WAY)"
    exit 0
fi
tests=${MARVANE_PE32_TESTS:-'^(e2e_|remover_|planting_|faults_access_violations$|faults_TwoRunsAtOnce$)'}
echo "== 32-bit tests (build/, ctest -R '$tests') under $MARVANE_WINE ($MARVANE_WINE_WAY)"
# The default selection needs only its own test programs: the others (most of the
# tree's compile time) are built when MARVANE_PE32_TESTS asks for more.
if [ -z "${MARVANE_PE32_TESTS:-}" ]; then
    export MARVANE_BUILD_TARGETS="e2e remover_e2e remover_args remover_security faults faults_access_violations planting_probes"
fi
testdir=$(bash "$root/tools/build.sh" --tests | tail -n 1) || exit 1
start=$(date +%s)
status=0
rm -f "$testdir/junit.xml"  # tests/run-all.sh lists what it skipped
(cd "$testdir" && ctest --output-on-failure --output-junit junit.xml -j "$(nproc)" -R "$tests") || status=$?
echo "== 32-bit tests through emulation: $(( $(date +%s) - start )) s on $(nproc) cores (load average before the end: $(cut -d' ' -f1-3 /proc/loadavg))"
exit $status
