# Sourced by the build and test scripts: picks the Wine loader this machine can run
# and the Windows architecture that the test build targets.
#
# setup.exe is always built as a 32-bit (i686) program. Where the 32-bit Wine loader
# cannot run (a kernel without 32-bit user-mode support), the tests run a 64-bit
# build of the very same sources under the 64-bit loader instead.
if [ -z "${MARVANE_TEST_ARCH:-}" ]; then
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
        MARVANE_TEST_ARCH=i686
    else
        MARVANE_TEST_ARCH=x86_64
    fi
fi
if [ "$MARVANE_TEST_ARCH" = i686 ]; then
    MARVANE_WINE=${MARVANE_WINE:-/usr/lib/wine/wine}
else
    MARVANE_WINE=${MARVANE_WINE:-/usr/lib/wine/wine64}
fi
export MARVANE_TEST_ARCH MARVANE_WINE
export WINELOADER=$MARVANE_WINE
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=d}
