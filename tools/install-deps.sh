#!/bin/bash
# Installs what the build and the tests need on Debian 12, and makes the Japanese
# locale. Idempotent: installs no package when every one is already there, and then
# needs no root: a user who is not root is told what root must install, and nothing
# is run on their behalf. Where the kernel runs no 32-bit code, it then makes the
# emulated way of running the 32-bit programs ready (tools/qemu/setup.sh, which does
# nothing where they run natively).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/packages.sh"
packages=(cmake make g++ gcc clang libclang-rt-14-dev
          g++-mingw-w64-i686 binutils-mingw-w64-i686
          g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
          wine wine32:i386 wine64 xvfb xauth xdotool x11-utils imagemagick
          mscompress googletest osslsigncode openssl gnuplot-nox python3 python3-yaml locales
          gcc-i686-linux-gnu libc6-dev-i386-cross)
missing=()
for p in "${packages[@]}"; do
    pkg_installed "$p" || missing+=("$p")
done
need_locale=0
locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' || need_locale=1
if [ "$(id -u)" != 0 ] && { [ ${#missing[@]} -gt 0 ] || [ $need_locale = 1 ]; }; then
    echo "install-deps: not root, and this machine lacks what the build and the tests need." >&2
    [ ${#missing[@]} -gt 0 ] &&
        echo "  root must run: dpkg --add-architecture i386 && apt-get update && apt-get install ${missing[*]}" >&2
    [ $need_locale = 1 ] &&
        echo "  root must enable ja_JP.UTF-8 UTF-8 in /etc/locale.gen and run locale-gen" >&2
    echo "  (or run this command as root once: bash tools/install-deps.sh)" >&2
    exit 1
fi
if [ ${#missing[@]} -gt 0 ]; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    pkg_update
    pkg_install "${missing[@]}"
fi
# A Japanese locale: under it Wine's code page is 932, whose double-byte
# characters may end in the byte of a backslash (tests/faults/japanese.sh).
if [ $need_locale = 1 ]; then
    sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -qx 'ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
    locale-gen >/dev/null
fi
# The last step, and not one the rest needs: without the emulator the 64-bit build's
# tests still run (and tests/run-all.sh then fails, saying what was not tested).
if ! bash "$here/qemu/setup.sh"; then
    echo "install-deps: the emulator for the 32-bit programs could not be set up (above); going on without it" >&2
fi
