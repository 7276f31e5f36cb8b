# Sourced by the build and test scripts: picks the Wine loader this machine can run
# and the Windows architecture that the test build targets.
#
# setup.exe is always built as a 32-bit (i686) program. There are three ways to run it
# and its tests:
#   i686, native    the 32-bit Wine loader starts: everything runs under it.
#   x86_64          the kernel runs no 32-bit code (the loader fails with "Exec format
#                   error"): the tests run a 64-bit build of the very same sources under
#                   the 64-bit loader.
#   i686, emulated  on such a kernel, asked for with MARVANE_TEST_ARCH=i686: the real
#                   32-bit programs under the 32-bit loader through qemu-i386, set up by
#                   tools/qemu/setup.sh (several times slower; see tools/qemu/run-i386.sh).
# MARVANE_PE32_WAY says how this machine can run the 32-bit program: native, emulated,
# or none (no emulator set up, or a kernel that cannot give one a private binfmt_misc).
# MARVANE_WINE_WAY says which of the three ways MARVANE_WINE is.
marvane_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    MARVANE_PE32_WAY=native
elif [ -f "$marvane_root/build-qemu/.ready" ]; then
    MARVANE_PE32_WAY=emulated
else
    MARVANE_PE32_WAY=none
fi
if [ -z "${MARVANE_TEST_ARCH:-}" ]; then
    if [ "$MARVANE_PE32_WAY" = native ]; then
        MARVANE_TEST_ARCH=i686
    else
        MARVANE_TEST_ARCH=x86_64
    fi
fi
# A loader chosen for another architecture (by a script that ran both test trees) is
# chosen again; one given from outside is kept.
if [ -n "${MARVANE_WINE_ARCH:-}" ] && [ "$MARVANE_WINE_ARCH" != "$MARVANE_TEST_ARCH" ]; then
    unset MARVANE_WINE
fi
MARVANE_WINE_ARCH=$MARVANE_TEST_ARCH
if [ "$MARVANE_TEST_ARCH" = i686 ] && [ "$MARVANE_PE32_WAY" = emulated ]; then
    MARVANE_WINE=${MARVANE_WINE:-$marvane_root/tools/qemu/wine}
    MARVANE_WINE_WAY="emulated: $(cat "$marvane_root/build-qemu/.ready") through binfmt_misc"
    # Wine starts its further processes through WINELOADER: the real loader, which the
    # emulator's binfmt_misc entry runs.
    export WINELOADER=/usr/lib/wine/wine
elif [ "$MARVANE_TEST_ARCH" = i686 ]; then
    MARVANE_WINE=${MARVANE_WINE:-/usr/lib/wine/wine}
    MARVANE_WINE_WAY=native
    export WINELOADER=$MARVANE_WINE
else
    MARVANE_WINE=${MARVANE_WINE:-/usr/lib/wine/wine64}
    MARVANE_WINE_WAY="native, 64-bit build"
    export WINELOADER=$MARVANE_WINE
fi
export MARVANE_TEST_ARCH MARVANE_WINE MARVANE_WINE_ARCH MARVANE_PE32_WAY MARVANE_WINE_WAY
export WINEDEBUG=${WINEDEBUG:--all}
# Wine's menu builder turns every shortcut the shell writes into a desktop entry
# under the Linux user's home (~/.local/share/applications), outside the prefix:
# nothing here needs those, and they cost a process per shortcut.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=d}
