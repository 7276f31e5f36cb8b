#!/bin/bash
# The main job: installs what is needed, builds setup.exe with the stand-in product,
# runs a quiet installation with a log ("-q -l", or the switches given) under Wine in
# a fresh prefix on a private X display, then shows what it did. Stopped part-way
# (INT, TERM, HUP), it ends every process it started, its display and Wine's too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/procs.sh"
proc_guard "$0" "$@"
xvfb_pid=
wine_prefix=
cleanup() {
    trap '' INT TERM HUP  # a second signal does not stop the cleaning
    proc_end_descendants $$
    [ -n "$wine_prefix" ] && { WINEPREFIX=$wine_prefix wineserver -k 2>/dev/null || true; }
    [ -n "$xvfb_pid" ] && { kill "$xvfb_pid" 2>/dev/null || true; }
    return 0
}
trap cleanup EXIT
trap 'exit 143' TERM
bash "$root/tools/install-deps.sh"
. "$root/tools/wine-env.sh"
if [ "$MARVANE_PE32_WAY" = emulated ]; then
    # The kernel runs no 32-bit code: run the 32-bit program through emulation all the same.
    MARVANE_TEST_ARCH=i686
    . "$root/tools/wine-env.sh"
fi
bash "$root/tools/build.sh" >/dev/null
exe=$root/build/setup.exe
if [ "$MARVANE_TEST_ARCH" != i686 ]; then
    # Neither natively nor emulated: run the 64-bit build of the same sources.
    cmake -S "$root" -B "$root/build-x64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" ${MARVANE_CMAKE_ARGS:-} >/dev/null
    cmake --build "$root/build-x64" --target setup -j "$(nproc)" >/dev/null
    exe=$root/build-x64/setup.exe
fi
echo "== built $root/build/setup.exe ($(stat -c %s "$root/build/setup.exe") bytes, PE32 i386)"
export WINEPREFIX=$root/build/wine-main
wine_prefix=$WINEPREFIX
rm -rf "$WINEPREFIX"
"$MARVANE_WINE" wineboot -i >/dev/null 2>&1
"$MARVANE_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w
echo "== running $exe ${*:--q -l} under $MARVANE_WINE ($MARVANE_WINE_WAY; prefix $WINEPREFIX)"
work=$WINEPREFIX/drive_c/run
mkdir -p "$work"
# A display of its own for the whole job. Wine's desktop process stays connected
# to it until the end, where every Wine process is ended before the display goes:
# a display that went first would leave them complaining of a broken connection.
exec 8< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r _ xvfb_pid <&8
if ! read -r display_number <&8 || [ -z "$display_number" ]; then
    echo "main-job: the display did not start (Xvfb)" >&2
    exit 1
fi
export DISPLAY=:$display_number
rc=0
(cd "$work" && "$MARVANE_WINE" "$exe" ${*:--q -l}) || rc=$?
echo "== setup.exe exit code: $rc"
c=$WINEPREFIX/drive_c
if [ -d "$c/Marvane" ]; then
    echo "== installed files (C:\\Marvane)"
    ls -l "$c/Marvane"
fi
echo "== WIN.INI section [Marvane]"
sed -n '/^\[Marvane\]/,/^\[/p' "$c/windows/win.ini" | tr -d '\r' | grep -v '^\[[^M]' || true
echo "== uninstall key"
"$MARVANE_WINE" reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Marvane' 2>/dev/null | tr -d '\r' || true
echo "== Start Menu group"
find "$c/users" -path '*Start Menu/Programs/Marvane*' 2>/dev/null | sed "s|$c/||" || true
if [ -f "$work/setup.log" ]; then
    echo "== setup.log"
    tr -d '\r' < "$work/setup.log"
fi
exit $rc
