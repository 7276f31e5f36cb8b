#!/bin/bash
# Runs one Windows test program under Wine in a fresh prefix of its own, on a
# private Xvfb display. With --host first, runs a host command instead (a test
# script that starts Windows programs itself), with the same prefix and display.
#   MARVANE_BUILD_DIR  build tree (prefixes live under it)   [required]
#   MARVANE_TEST_NAME  name of the run's prefix              [default: program name]
#   MARVANE_SCREEN     WxHxD of a private Xvfb screen         [default: 1024x768x24]
# With --host first, the rest is a host program (a script that runs Wine itself)
# given the same prefix (WINEPREFIX), display and loader (MARVANE_WINE).
#   MARVANE_KEEP_PREFIX  keep the prefix of a passing run too   [default: only a failed run's]
#
# The prefix is the ready template seen through a copy-on-write overlay: whatever the
# run writes lands in a layer of its own and the template itself is never written.
# The overlay is mounted in a mount namespace private to this run, so it goes away
# with the run's last process, however the run ends. Where no overlay can be mounted
# (no right to mount), the prefix is a full copy of the template instead.
set -u
if [ -z "${MARVANE_PREFIX_NS:-}" ] && unshare -m true 2>/dev/null; then
    MARVANE_PREFIX_NS=1 exec unshare -m "$0" "$@"
fi
unset MARVANE_PREFIX_NS
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

# One ready prefix per build tree, made once; every run starts from it.
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
layer=$wineroot/layers/$name
rm -rf "$prefix" "$layer"
mkdir -p "$prefix" "$layer/upper" "$layer/work"
overlay=0
case $template$layer in
    *[,:]*) ;;  # would be read as option separators
    *)
        # redirect_dir: a directory of the template can be renamed, as on a plain disk.
        mount -t overlay overlay \
            -o "lowerdir=$template,upperdir=$layer/upper,workdir=$layer/work,redirect_dir=on" "$prefix" \
            2>/dev/null && overlay=1
        ;;
esac
if [ $overlay = 0 ]; then
    rm -rf "$layer"
    cp -a --reflink=auto "$template/." "$prefix"
fi
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
keep=0
if [ $rc -ne 0 ] || [ -n "${MARVANE_KEEP_PREFIX:-}" ]; then
    keep=1
fi
if [ $overlay = 1 ]; then
    # The overlay is seen by this run alone: a kept prefix becomes a plain copy.
    WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1
    [ $keep = 1 ] && cp -a "$prefix/." "$layer/kept"
    umount "$prefix" 2>/dev/null || umount -l "$prefix"
    rmdir "$prefix"
    [ $keep = 1 ] && mv "$layer/kept" "$prefix"
    rm -rf "$layer"
elif [ $keep = 0 ]; then
    rm -rf "$prefix"
fi
exit $rc
