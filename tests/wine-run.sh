#!/bin/bash
# Runs one Windows test program under Wine in a fresh prefix of its own, on a
# private Xvfb display. With --host first, runs a host command instead (a test
# script that starts Windows programs itself), with the same prefix and display.
#   MARVANE_BUILD_DIR  build tree (prefixes live under it)   [required]
#   MARVANE_TEST_NAME  name of the run's prefix              [default: program name]
#   MARVANE_SCREEN     WxHxD of a private Xvfb screen         [default: 1024x768x24]
# With --host first, the rest is a host program (a script that runs Wine itself)
# given the same prefix (WINEPREFIX), display and loader (MARVANE_WINE).
set -u
host=0
if [ "${1:-}" = --host ]; then
    host=1
    shift
fi
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../tools/wine-env.sh"
build=${MARVANE_BUILD_DIR:?MARVANE_BUILD_DIR must name the build tree}
name=${MARVANE_TEST_NAME:-$(basename "$1" .exe)}
wineroot=$build/wine
template=$wineroot/template
mkdir -p "$wineroot/prefixes"

# One ready prefix per build tree, made once and copied for every run.
(
    flock 9
    if [ ! -f "$template/.ready" ]; then
        rm -rf "$template"
        WINEPREFIX=$template "$MARVANE_WINE" wineboot -i >/dev/null 2>&1
        # No window manager on Xvfb: let Wine draw captions and frames itself.
        WINEPREFIX=$template "$MARVANE_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        WINEPREFIX=$template wineserver -w
        touch "$template/.ready"
    fi
) 9>"$wineroot/template.lock"

prefix=$wineroot/prefixes/$name
rm -rf "$prefix"
cp -a "$template" "$prefix"
export WINEPREFIX=$prefix
export MARVANE_PREFIX=$prefix

exec 8< <(Xvfb -displayfd 1 -screen 0 "${MARVANE_SCREEN:-1024x768x24}" -nolisten tcp 2>/dev/null & echo "pid $!")
read -r _ xvfb_pid <&8
read -r display_number <&8
export DISPLAY=:$display_number

if [ $host = 1 ]; then
    "$@"
else
    "$MARVANE_WINE" "$@"
fi
rc=$?

WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
kill "$xvfb_pid" 2>/dev/null
# Keep a failed run's prefix for inspection; a passing one is 700 MB of nothing.
if [ $rc -eq 0 ] && [ -z "${MARVANE_KEEP_PREFIX:-}" ]; then
    rm -rf "$prefix"
fi
exit $rc
