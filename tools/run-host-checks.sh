#!/bin/bash
# Host-side checks of the pure code (tests/host): builds it natively with clang,
# runs the pure unit tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# then each libFuzzer target for a short while (tests/host/CMakeLists.txt lists the
# sources, tests and targets), starting from its seeds in
# tests/fuzz/corpus/<target>. Exits non-zero on any test failure, sanitizer report
# or fuzzer crash; a crashing input is kept as <build>/fuzz/<target>/crash-*.
#   MARVANE_HOST_BUILD   build folder (default build-host)
#   MARVANE_FUZZ_SECONDS time per fuzz target (default 20)
#   MARVANE_FUZZ_JOBS    fuzz targets run at once (default 2; each one still gets
#                        its full time on one core)
#   MARVANE_CMAKE_ARGS   the cross build's extra CMake options (tools/build.sh): a
#                        -DMARVANE_GTEST_DIR=... among them applies here too
# With --build, only configures and builds (a later run then starts at the tests).
set -euo pipefail
build_only=0
[ "${1:-}" = --build ] && build_only=1
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MARVANE_HOST_BUILD:-$root/build-host}
seconds=${MARVANE_FUZZ_SECONDS:-20}
jobs=${MARVANE_FUZZ_JOBS:-2}
host_args=()
for arg in ${MARVANE_CMAKE_ARGS:-}; do
    case $arg in
        -DMARVANE_GTEST_DIR=* | -DMARVANE_GTEST_DIR:*) host_args+=("$arg") ;;
    esac
done

echo "== host checks: configuring and building in $build"
mkdir -p "$build"
log=$build/build.log
CC=clang CXX=clang++ cmake -S "$root/tests/host" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    ${host_args[@]+"${host_args[@]}"} >"$log" 2>&1 ||
    { cat "$log"; exit 1; }
cmake --build "$build" -j "$(nproc)" >>"$log" 2>&1 || { tail -n 40 "$log"; exit 1; }
[ $build_only = 1 ] && exit 0

status=0
echo "== host checks: unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
if "$build/host_unit_tests" --gtest_brief=1 >"$build/unit.log" 2>&1; then
    tail -n 1 "$build/unit.log"
else
    cat "$build/unit.log"
    echo "== host checks: unit tests FAILED"
    status=1
fi

# fuzz TARGET: one target's run, its output in <build>/fuzz/TARGET/run.log and its
# exit code in .../rc. The seeds are read, never written: new inputs go to the
# build's own corpus.
fuzz() {
    local work=$build/fuzz/$1 rc=0
    mkdir -p "$work/corpus"
    rm -f "$work/rc"
    "$build/fuzz_$1" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=4096 \
        -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" "$root/tests/fuzz/corpus/$1" \
        >"$work/run.log" 2>&1 || rc=$?
    echo $rc >"$work/rc"
}

mapfile -t targets < <(grep -v '^$' "$build/fuzz-targets.txt")
echo "== host checks: fuzzing ${#targets[@]} targets for ${seconds}s each, $jobs at a time"
running=0
for target in "${targets[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
    fuzz "$target" &
    running=$((running + 1))
done
wait
for target in "${targets[@]}"; do
    work=$build/fuzz/$target
    echo "== host checks: fuzzed $target for ${seconds}s"
    if [ "$(cat "$work/rc" 2>/dev/null)" = 0 ]; then
        grep -E '^stat::number_of_executed_units|^Done' "$work/run.log" | tr '\n' ' '
        echo
    else
        tail -n 40 "$work/run.log"
        echo "== host checks: fuzz target $target FAILED (input kept in $work)"
        status=1
    fi
done

[ $status = 0 ] && echo "== host checks passed" || echo "== host checks FAILED"
exit $status
