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
#
# However the run ends, its Xvfb and Wine processes go with it: on a signal its trap
# ends them (and the program's whole tree), and a guard process that outlives it does
# so when it is killed outright (ctest ends a test that runs out of time with KILL).
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
. "$here/../tools/procs.sh"
xvfb_pid=
guard_pid=
wine_prefix=  # the prefix whose Wine processes are to be ended
prefix=
kept=0
cleanup() {
    trap '' INT TERM HUP  # a second signal does not stop the cleaning
    [ -n "$guard_pid" ] && kill -KILL "$guard_pid" 2>/dev/null
    proc_end_descendants $$
    [ -n "$wine_prefix" ] && WINEPREFIX=$wine_prefix wineserver -k >/dev/null 2>&1
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    [ -n "${xvfb_log:-}" ] && rm -f "$xvfb_log"
    # A run stopped part-way keeps nothing (the next one starts afresh anyway).
    if [ -n "$prefix" ] && [ $kept = 0 ]; then
        umount -l "$prefix" 2>/dev/null
        rm -rf "$prefix" "$layer"
    fi
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
trap 'exit 129' HUP
build=${MARVANE_BUILD_DIR:?MARVANE_BUILD_DIR must name the build tree}
name=${MARVANE_TEST_NAME:-$(basename "$1" .exe)}
wineroot=$build/wine
template=$wineroot/template
mkdir -p "$wineroot/prefixes"

# One ready prefix per build tree, made once; every run starts from it.
{
    flock 9
    if [ ! -f "$template/.ready" ]; then
        rm -rf "$template"
        wine_prefix=$template  # (for cleanup: the braces run in this shell)
        WINEPREFIX=$template "$MARVANE_WINE" wineboot -i >/dev/null 2>&1
        # No window manager on Xvfb: let Wine draw captions and frames itself.
        WINEPREFIX=$template "$MARVANE_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        WINEPREFIX=$template wineserver -w
        touch "$template/.ready"
        wine_prefix=
    fi
} 9>"$wineroot/template.lock"

layer=$wineroot/layers/$name
prefix=$wineroot/prefixes/$name
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
wine_prefix=$prefix

# The display, started by a guard: a process of its own outside this script's tree
# (so that a KILL of the tree misses it), which ends the display and the prefix's
# Wine processes once this script is gone without ending them itself (KILL). It
# writes the Xvfb's pid and its own, then Xvfb the display's number; nothing else of
# theirs goes to the test's output, which ctest waits to see closed.
xvfb_log=$wineroot/xvfb-$name.log
exec 8< <(
    (
        Xvfb -displayfd 1 -screen 0 "${MARVANE_SCREEN:-1024x768x24}" -nolisten tcp </dev/null 2>"$xvfb_log" &
        xvfb=$!
        trap '' HUP INT TERM
        echo "pid $xvfb $BASHPID"
        exec >/dev/null 2>&1 </dev/null
        while kill -0 $$ && kill -0 $xvfb; do sleep 1; done
        # (wineserver would make a prefix that is gone again)
        [ -d "$prefix/drive_c" ] && WINEPREFIX=$prefix wineserver -k
        kill $xvfb
    ) &
)
read -r _ xvfb_pid guard_pid <&8
if ! read -r display_number <&8 || [ -z "$display_number" ]; then
    echo "wine-run: the display did not start (Xvfb -screen 0 ${MARVANE_SCREEN:-1024x768x24}):" >&2
    tail -n 5 "$xvfb_log" >&2
    exit 1
fi
exec 8<&-
export DISPLAY=:$display_number

# In the background, so that a signal is taken at once (see cleanup).
if [ $host = 1 ]; then
    "$@" <&0 &
else
    "$MARVANE_WINE" "$@" <&0 &
fi
wait $!
rc=$?

kill -KILL "$guard_pid" 2>/dev/null  # this ends them now
guard_pid=
WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
kill "$xvfb_pid" 2>/dev/null
rm -f "$xvfb_log"
wine_prefix=
xvfb_pid=
# Keep a failed run's prefix for inspection; a passing or skipped one (77) is 700 MB
# of nothing.
keep=0
if { [ $rc -ne 0 ] && [ $rc -ne 77 ]; } || [ -n "${MARVANE_KEEP_PREFIX:-}" ]; then
    keep=1
fi
kept=1  # from here on, the end below decides
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
