#!/bin/bash
# Installs what the build and the tests need on Debian 12 (as root), and makes the
# Japanese locale. Idempotent: does nothing when all of it is there already.
set -euo pipefail
packages=(cmake make g++ gcc clang libclang-rt-14-dev
          g++-mingw-w64-i686 binutils-mingw-w64-i686
          g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
          wine wine32:i386 wine64 xvfb xauth xdotool x11-utils imagemagick
          mscompress googletest osslsigncode openssl gnuplot-nox python3 python3-yaml locales)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
# A Japanese locale: under it Wine's code page is 932, whose double-byte
# characters may end in the byte of a backslash (tests/faults/japanese.sh).
add_japanese_locale() {
    locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' && return 0
    sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -qx 'ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
    locale-gen >/dev/null
}
if [ ${#missing[@]} -eq 0 ]; then
    add_japanese_locale
    exit 0
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
add_japanese_locale
