#!/bin/bash
# Runs a command with a small drive D: in the test's Wine prefix: a tmpfs of the
# given size, mounted beside the prefix and linked as dosdevices/d:, so that it
# fills up as a real disk does. Needs the right to mount (root, as the tests run).
#   small-drive.sh KIB COMMAND...
# Runs inside tests/wine-run.sh --host (WINEPREFIX set). Exits 77 (skipped) when the
# drive cannot be mounted, else with the command's exit code.
set -u
kib=$1
shift
mnt=$WINEPREFIX.drive-d
mkdir -p "$mnt"
if ! mount -t tmpfs -o "size=${kib}k,mode=0777" tmpfs "$mnt" 2>/dev/null; then
    echo "small-drive: cannot mount a tmpfs here (no right to mount): skipped"
    exit 77
fi
trap 'umount "$mnt" 2>/dev/null; rmdir "$mnt" 2>/dev/null' EXIT
ln -sfn "$mnt" "$WINEPREFIX/dosdevices/d:"
echo "== drive D: is a tmpfs of $kib KiB"
"$@"
