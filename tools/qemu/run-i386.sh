#!/bin/bash
# Runs a command with every i386 program it starts, and every one those start, handed
# to the emulator set up by tools/qemu/setup.sh:
#   run-i386.sh COMMAND [ARG...]
# The command runs in a private user and mount namespace with a binfmt_misc of its own
# (Linux 6.7 or later), whose one entry sends i386 ELF programs to qemu-i386 (flag F:
# the emulator is opened now, so it needs no path inside the programs' view). The
# host's own binfmt_misc is left alone. Each emulated program gets trapno.so preloaded
# through the emulator's environment, so that native programs are never handed it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dest=$(cd "$here/../.." && pwd)/build-qemu
if [ "${1:-}" != --inside ]; then
    export QEMU_SET_ENV=LD_PRELOAD=$dest/trapno.so
    exec unshare --user --map-root-user --mount -- "$0" --inside "$@"
fi
shift
mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
printf '%s' ":i386:M::$magic:$mask:$dest/usr/bin/qemu-i386:F" > /proc/sys/fs/binfmt_misc/register
exec "$@"
