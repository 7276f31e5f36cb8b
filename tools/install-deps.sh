#!/bin/bash
# Installs what the build and the tests need on Debian 12 (as root), and makes the
# Japanese locale. Idempotent: installs no package when every one is already there.
# Where the kernel runs no 32-bit code, it then makes the emulated way of running
# the 32-bit programs ready (tools/qemu/setup.sh, which does nothing where they run
# natively).
set -euo pipefail
packages=(cmake make g++ gcc clang libclang-rt-14-dev
          g++-mingw-w64-i686 binutils-mingw-w64-i686
          g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
          wine wine32:i386 wine64 xvfb xauth xdotool x11-utils imagemagick
          mscompress googletest osslsigncode openssl gnuplot-nox python3 python3-yaml locales
          gcc-i686-linux-gnu libc6-dev-i386-cross)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# A Japanese locale: under it Wine's code page is 932, whose double-byte
# characters may end in the byte of a backslash (tests/faults/japanese.sh).
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
    sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -qx 'ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
    locale-gen >/dev/null
fi
bash "$(dirname "$0")/qemu/setup.sh"
