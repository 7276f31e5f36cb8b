#!/bin/bash
# Makes the emulated way of running 32-bit Windows programs ready, on a machine whose
# kernel runs no 32-bit code (the 32-bit Wine loader fails with "Exec format error").
# Idempotent; does nothing where the 32-bit loader starts natively.
#
# What it sets up, all inside the work tree's build-qemu/ (nothing is installed into
# the system, and the system's package sources stay as they are):
#   usr/bin/qemu-i386  a statically linked user-mode emulator, unpacked from the
#                      qemu-user package of Debian 13; Debian 12's own (7.2) is too old
#                      to run Wine at a usable speed
#   trapno.so          tools/qemu/trapno.c, built for i386 (see there)
#   .ready             written last, after Wine's i386 loader ran through both
# tools/qemu/run-i386.sh hands i386 programs to the emulator; tools/wine-env.sh uses
# it when the tests or the main job ask for the 32-bit program.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
dest=$root/build-qemu
suite=trixie

if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    exit 0
fi
if ! unshare --user --map-root-user --mount sh -c \
        'mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc' 2>/dev/null; then
    echo "note: the 32-bit Wine loader cannot start here, and this kernel ($(uname -r)) offers no" >&2
    echo "      private binfmt_misc (Linux 6.7 or later): 32-bit programs cannot be emulated either" >&2
    exit 0
fi
mkdir -p "$dest"

# The emulator, from the same registry the system's packages come from, through an
# apt configuration of its own (lists and cache inside build-qemu/apt).
if ! "$dest/usr/bin/qemu-i386" --version >/dev/null 2>&1; then
    # The mirror of the system's own release (not of its security updates).
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    uri=$(awk -v suite="$codename" 'BEGIN { RS = "" }
          { u = ""; s = 0; n = split($0, line, "\n")
            for (i = 1; i <= n; i++) {
                if (line[i] ~ /^URIs:/) { split(line[i], w, " "); u = w[2] }
                if (line[i] ~ /^Suites:/ && (" " line[i] " ") ~ (" " suite " ")) s = 1
            }
            if (s && u != "") { print u; exit } }' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
    [ -n "$uri" ] || uri=$(awk -v suite="$codename" '$1 == "deb" && $2 !~ /^\[/ && $3 == suite { print $2; exit }' \
                               /etc/apt/sources.list 2>/dev/null || true)
    [ -n "$uri" ] || { echo "setup.sh: no Debian package source found in /etc/apt" >&2; exit 1; }
    apt_dir=$dest/apt
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    echo "deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri $suite main" \
        > "$apt_dir/sources.list"
    apt_opts=(-o Dir::Etc::sourcelist="$apt_dir/sources.list" -o Dir::Etc::sourceparts=-
              -o Dir::State::lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
              -o APT::Architectures::=amd64 -o APT::Sandbox::User=root)
    apt-get "${apt_opts[@]}" -qq update
    (cd "$apt_dir" && rm -f qemu-user_*.deb && apt-get "${apt_opts[@]}" -qq download qemu-user)
    rm -rf "$dest/usr"
    dpkg-deb -x "$apt_dir"/qemu-user_*.deb "$dest/unpacked"
    mkdir -p "$dest/usr/bin"
    mv "$dest/unpacked/usr/bin/qemu-i386" "$dest/usr/bin/qemu-i386"
    rm -rf "$dest/unpacked" "$apt_dir"
    rm -f "$dest/.ready"
fi

if [ ! -f "$dest/trapno.so" ] || [ "$here/trapno.c" -nt "$dest/trapno.so" ]; then
    i686-linux-gnu-gcc -O2 -Wall -Wextra -Werror -shared -fPIC -o "$dest/trapno.so.new" "$here/trapno.c"
    mv "$dest/trapno.so.new" "$dest/trapno.so"
    rm -f "$dest/.ready"
fi

if [ ! -f "$dest/.ready" ]; then
    version=$(bash "$here/run-i386.sh" /usr/lib/wine/wine --version)
    echo "$("$dest/usr/bin/qemu-i386" --version | head -n 1); $version" > "$dest/.ready"
fi
