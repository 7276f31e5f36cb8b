#!/bin/bash
# Makes the emulated way of running 32-bit Windows programs ready, on a machine whose
# kernel runs no 32-bit code (the 32-bit Wine loader fails with "Exec format error").
# Idempotent; does nothing where the 32-bit loader starts natively.
#
# What it sets up, all inside the work tree's build-qemu/ (nothing is installed into
# the system, and the system's package sources stay as they are):
#   usr/bin/qemu-i386  a statically linked user-mode emulator, unpacked from the
#                      qemu-user package of Debian 13 at the version pinned below
#                      (usr/version), from the Debian archive the system's sources
#                      name; Debian 12's own (7.2) is too old to run Wine
#   trapno.so          tools/qemu/trapno.c, built for i386 (see there)
#   .ready             written last, after Wine's i386 loader ran through both
# tools/qemu/run-i386.sh hands i386 programs to the emulator; tools/wine-env.sh uses
# it when the tests or the main job ask for the 32-bit program.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/tools/packages.sh"
dest=$root/build-qemu
# The emulator under the tests changes only when this line does (and the README with it).
qemu_suite=trixie
qemu_version=1:10.0.13+ds-0+deb13u1

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

# fetch_qemu URI: downloads qemu-user $qemu_version from the Debian archive at URI into
# $apt_dir, through an apt configuration of its own (lists and cache inside it).
fetch_qemu() {
    echo "deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $1 $qemu_suite main" \
        > "$apt_dir/sources.list"
    local -a opts=(-o Dir::Etc::sourcelist="$apt_dir/sources.list" -o Dir::Etc::sourceparts=-
                   -o Dir::Etc::preferences="$apt_dir/preferences" -o Dir::Etc::preferencesparts="$apt_dir/preferences.d"
                   -o Dir::State::status=/dev/null
                   -o Dir::State::lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
                   -o APT::Architectures::=amd64 -o APT::Sandbox::User="$(id -un)")
    local try tries=${PKG_TRIES:-3}
    pkg_update "${opts[@]}"
    for ((try = 1; try <= tries; try++)); do
        rm -f "$apt_dir"/qemu-user_*.deb
        if (cd "$apt_dir" && apt-get "${opts[@]}" -qq download "qemu-user=$qemu_version" 2>"$apt_dir/err" >/dev/null); then
            return 0
        fi
        echo "qemu: qemu-user $qemu_version not fetched from $1 $qemu_suite (try $try of $tries): $(pkg_first_error "$apt_dir/err")" >&2
        grep -q 'was not found' "$apt_dir/err" && break  # not there: no retry helps
        [ "$try" -lt "$tries" ] && sleep "${PKG_PAUSE:-15}"
    done
    echo "qemu: $1 $qemu_suite offers qemu-user $(apt-cache "${opts[@]}" policy qemu-user 2>/dev/null |
        awk '/Candidate:/ { print $2 }')" >&2
    return 1
}

# The emulator, from the archive the system's own packages come from.
if [ "$(cat "$dest/usr/version" 2>/dev/null)" != "$qemu_version" ] ||
        ! "$dest/usr/bin/qemu-i386" --version >/dev/null 2>&1; then
    mapfile -t mirrors < <(pkg_debian_mirrors)
    [ ${#mirrors[@]} -gt 0 ] || { echo "qemu: no Debian archive found in the sources of /etc/apt" >&2; exit 1; }
    # Not another version meanwhile: the emulated way is off until the pinned one is here.
    rm -f "$dest/.ready"
    apt_dir=$dest/apt
    rm -rf "$apt_dir"
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/preferences.d"
    fetched=0
    for uri in "${mirrors[@]}"; do
        fetch_qemu "$uri" && { fetched=1; break; }
    done
    [ $fetched = 1 ] || { echo "qemu: qemu-user $qemu_version is on none of: ${mirrors[*]}" >&2; exit 1; }
    rm -rf "$dest/usr" "$dest/unpacked"
    dpkg-deb -x "$apt_dir"/qemu-user_*.deb "$dest/unpacked"
    mkdir -p "$dest/usr/bin"
    mv "$dest/unpacked/usr/bin/qemu-i386" "$dest/usr/bin/qemu-i386"
    echo "$qemu_version" > "$dest/usr/version"
    rm -rf "$dest/unpacked" "$apt_dir"
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
