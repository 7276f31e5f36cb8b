#!/bin/bash
# Builds the Installer: build/setup.exe (32-bit), and the tree the tests run in.
#   tools/build.sh          setup.exe only, in build/
#   tools/build.sh --tests  also the tests, in build/ (32-bit Wine) or build-x64/
# Extra CMake options (e.g. -DMARVANE_PAYLOAD_DIR=...) come from MARVANE_CMAKE_ARGS;
# MARVANE_BUILD_TARGETS, when set, names the only test programs a test tree builds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/wine-env.sh"
tests=OFF
[ "${1:-}" = --tests ] && tests=ON
jobs=$(nproc)

build_tree() {  # dir arch tests
    cmake -S "$root" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$2.cmake" \
        -DMARVANE_BUILD_TESTS="$3" ${MARVANE_CMAKE_ARGS:-} >/dev/null
    if [ "$3" = ON ] && [ -n "${MARVANE_BUILD_TARGETS:-}" ]; then
        # shellcheck disable=SC2086 # a list of target names
        cmake --build "$1" -j "$jobs" --target setup $MARVANE_BUILD_TARGETS
    else
        cmake --build "$1" -j "$jobs"
    fi
}

if [ "$tests" = ON ] && [ "$MARVANE_TEST_ARCH" = i686 ]; then
    build_tree "$root/build" i686 ON
    echo "$root/build"
else
    build_tree "$root/build" i686 OFF
    if [ "$tests" = ON ]; then
        build_tree "$root/build-x64" x86_64 ON
        echo "$root/build-x64"
    fi
fi
