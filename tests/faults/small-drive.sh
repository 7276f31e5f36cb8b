#!/bin/bash
# Runs a Windows test program with a small drive D: in the test's Wine prefix: a
# tmpfs mounted beside the prefix and linked as dosdevices/d:, so that it fills
# up as a real disk does. Its size:
#   small-drive.sh payload NAME EXE ARGS...     the installed files that come before
#   small-drive.sh containers NAME EXE ARGS...  NAME in the file table (payload:
#       build/payload; containers: build/containers) fit, NAME itself does not
#   small-drive.sh kib N EXE ARGS...            N KiB
#   small-drive.sh readonly DIR EXE ARGS...     1 MiB holding the directory DIR,
#       then made read-only: nothing on it can be written or given rights
# Files take whole 4 KiB pages on a tmpfs. Runs inside tests/wine-run.sh --host
# (WINEPREFIX, MARVANE_WINE, MARVANE_BUILD_DIR set). Exits 77 (skipped, with a line
# "skipped: needs root: ...") when a tmpfs cannot be mounted here, else with the
# program's exit code.
set -u
kind=$1
name=$2
shift 2
page=4096
pages() {  # bytes -> whole pages
    echo $((($1 + page - 1) / page))
}
case $kind in
    kib)
        kib=$name
        ;;
    readonly)
        kib=1024
        ;;
    payload | containers)
        manifest=$MARVANE_BUILD_DIR/containers/manifest.txt
        used=0
        found=0
        while read -r resource installed; do
            if [ "$kind" = payload ]; then file=$MARVANE_BUILD_DIR/payload/$installed; else file=$MARVANE_BUILD_DIR/containers/$resource.szdd; fi
            n=$(pages "$(stat -c %s "$file")")
            if [ "$installed" = "$name" ] || [ "$resource" = "$name" ]; then
                # Half of it fits, so that the write fails in its middle.
                used=$((used + n / 2))
                found=1
                break
            fi
            used=$((used + n))
        done <"$manifest"
        [ $found = 1 ] || { echo "small-drive: $name is not in $manifest"; exit 1; }
        kib=$((used * page / 1024))
        ;;
    *)
        echo "small-drive: unknown size kind $kind"
        exit 2
        ;;
esac
mnt=$WINEPREFIX.drive-d
mkdir -p "$mnt"
if ! mount -t tmpfs -o "size=${kib}k,mode=0777" tmpfs "$mnt" 2>/dev/null; then
    rmdir "$mnt"
    echo "skipped: needs root: a tmpfs for drive D: cannot be mounted here (no right to mount)"
    exit 77
fi
trap 'umount "$mnt" 2>/dev/null; rmdir "$mnt" 2>/dev/null' EXIT
if [ "$kind" = readonly ]; then
    mkdir "$mnt/$name" && mount -o remount,ro "$mnt" || { echo "small-drive: cannot make D: read-only"; exit 1; }
fi
ln -sfn "$mnt" "$WINEPREFIX/dosdevices/d:"
echo "== drive D: is a tmpfs of $kib KiB"
"$MARVANE_WINE" "$@"
