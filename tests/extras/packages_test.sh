#!/bin/bash
# tools/install-deps.sh against a mirror in mid-sync, with stand-ins for apt-get and
# dpkg on PATH, and the Debian archive found in sample apt sources.
#   packages_test.sh SOURCE-DIR WORK-DIR
set -uo pipefail
src=$1
work=$2
rm -rf "$work"
mkdir -p "$work/bin" "$work/tree/tools/qemu"
cp "$src/tools/install-deps.sh" "$src/tools/packages.sh" "$work/tree/tools/"
# The emulator's set-up is not what is tested here (and must not fetch anything).
echo 'exit 0' >"$work/tree/tools/qemu/setup.sh"
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The stand-ins. apt-get logs each call; its update fails the first $UPDATE_FAILS
# times as a mirror in mid-sync does; its install does $INSTALL: "unresolved" fails
# as the i386 set does unless a release is preferred, "broken" always fails.
cat >"$work/bin/apt-get" <<'EOF'
#!/bin/bash
echo "apt-get $*" >>"$STANDIN_LOG"
case " $* " in
    *" update "*)
        n=$(grep -c ' update' "$STANDIN_LOG")
        if [ "$n" -le "$UPDATE_FAILS" ]; then
            echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (123 != 456). Mirror sync in progress? [IP: 192.0.2.1 80]" >&2
            exit 100
        fi ;;
    *" install "*)
        case $INSTALL in
            unresolved)
                case " $* " in *" -t "*) exit 0 ;; esac
                echo "The following packages have unmet dependencies:" >&2
                echo " libssl3:i386 : Depends: libssl3 (= 3.0.20) but 3.0.22 is to be installed" >&2
                echo "E: Unable to correct problems, you have held broken packages." >&2
                exit 100 ;;
            broken)
                echo "E: Sub-process /usr/bin/dpkg returned an error code (1)" >&2
                exit 100 ;;
        esac ;;
esac
exit 0
EOF
# Every package is installed but wine32:i386 (half-installed) and xauth (removed,
# its configuration kept), which dpkg -s would both count as present.
cat >"$work/bin/dpkg-query" <<'EOF'
#!/bin/bash
case ${!#} in
    wine32:i386) echo half-installed ;;
    xauth) echo config-files ;;
    *) echo installed ;;
esac
EOF
printf '#!/bin/bash\necho i386\n' >"$work/bin/dpkg"
printf '#!/bin/bash\necho ja_JP.utf8\n' >"$work/bin/locale"
printf '#!/bin/bash\necho "$STANDIN_UID"\n' >"$work/bin/id"
chmod +x "$work/bin/"*

# run NAME UID UPDATE_FAILS INSTALL: runs install-deps.sh; its exit code in $rc,
# its messages in $out, the stand-in's calls in $calls.
run() {
    : >"$work/$1.log"
    out=$(PATH="$work/bin:$PATH" STANDIN_LOG="$work/$1.log" STANDIN_UID=$2 UPDATE_FAILS=$3 INSTALL=$4 \
          PKG_PAUSE=0 bash "$work/tree/tools/install-deps.sh" 2>&1)
    rc=$?
    calls=$(cat "$work/$1.log")
    echo "== $1 (exit $rc)"
    echo "$out"
}
expect() {  # what haystack needle
    grep -qF -- "$3" <<<"$2" || fail "$1: no \"$3\""
}

# Every update fails, the install cannot be resolved: goes on with what was fetched,
# then installs with the release's suites preferred.
run mid-sync 0 3 unresolved
[ $rc = 0 ] || fail "mid-sync: exit $rc"
expect mid-sync "$out" "packages: apt-get update failed (try 1 of 3): E: Failed to fetch"
expect mid-sync "$out" "Mirror sync in progress?"
expect mid-sync "$out" "packages: going on with the package indexes that could be fetched"
expect mid-sync "$out" "packages: the install could not be resolved (E: Unable to correct problems, you have held broken packages.); retrying with the release's own suites preferred (-t $codename)"
expect mid-sync "$out" "packages: installed with the release's own suites preferred (-t $codename)"
expect mid-sync "$calls" "apt-get install -y -qq --no-install-recommends wine32:i386 xauth"
expect mid-sync "$calls" "apt-get install -y -qq --no-install-recommends -t $codename wine32:i386 xauth"
[ "$(grep -c ' update' <<<"$calls")" = 3 ] || fail "mid-sync: updates: $calls"

# The first update fails, the install fails for real: three tries (each after a fresh
# update), then apt's own message and a failure.
run broken 0 1 broken
[ $rc != 0 ] || fail "broken: exit 0"
expect broken "$out" "packages: apt-get update failed (try 1 of 3)"
expect broken "$out" "packages: apt-get install failed (try 3 of 3): E: Sub-process /usr/bin/dpkg returned an error code (1)"
grep -q 'going on' <<<"$out" && fail "broken: the second update did not count"
[ "$(grep -c ' install' <<<"$calls")" = 3 ] || fail "broken: installs: $calls"
[ "$(grep -c ' update' <<<"$calls")" = 4 ] || fail "broken: updates: $calls"
[ "$(tail -n 1 <<<"$out")" = "E: Sub-process /usr/bin/dpkg returned an error code (1)" ] || fail "broken: apt's message last"

# Not root: told what root must install; nothing is run.
run not-root 1000 0 unresolved
[ $rc = 1 ] || fail "not-root: exit $rc"
expect not-root "$out" "root must run: dpkg --add-architecture i386 && apt-get update && apt-get install wine32:i386 xauth"
[ -z "$calls" ] || fail "not-root: ran $calls"

# The Debian archive in the system's sources, whatever form they take.
. "$src/tools/packages.sh"
mirrors() {  # name expected-uris; the sources are in $work/etc-NAME
    local got
    got=$(pkg_debian_mirrors "$work/etc-$1" bookworm | tr '\n' ' ')
    [ "$got" = "$2" ] || fail "mirrors $1: got '$got', expected '$2'"
}
mkdir -p "$work"/etc-{deb822,oneline,nocodename,disabled,none}/sources.list.d
cat >"$work/etc-deb822/sources.list.d/debian.sources" <<'EOF'
Types: deb
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main

Types: deb
# a comment
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
cat >"$work/etc-deb822/sources.list.d/vendor.sources" <<'EOF'
Types: deb
URIs: https://deb.nodesource.com/node_20.x
Suites: nodistro
Components: main
EOF
cat >"$work/etc-oneline/sources.list" <<'EOF'
# deb http://commented.example/debian bookworm main
deb http://security.debian.org/debian-security bookworm-security main
deb-src http://source.example/debian bookworm main
deb [ arch=amd64,i386 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg ] http://mirror.example/debian/ bookworm main contrib
deb http://mirror.example/debian bookworm-updates main
EOF
echo 'deb https://ftp.example.org/debian stable main' >"$work/etc-nocodename/sources.list"
echo 'deb https://packages.cloud.google.com/apt cloud-sdk-bookworm main' \
    >"$work/etc-nocodename/sources.list.d/cloud.list"
cat >"$work/etc-disabled/sources.list.d/debian.sources" <<'EOF'
Types: deb
URIs: http://off.example/debian
Suites: bookworm
Enabled: no

types: deb deb-src
uris: http://one.example/debian
  http://two.example/debian
suites: testing
EOF
echo 'deb https://deb.nodesource.com/node_20.x nodistro main' >"$work/etc-none/sources.list"
mirrors deb822 "http://deb.debian.org/debian "
mirrors oneline "http://mirror.example/debian "
mirrors nocodename "https://ftp.example.org/debian "
mirrors disabled "http://one.example/debian http://two.example/debian "
mirrors none ""

[ $failures = 0 ] && echo "all passed"
exit $((failures > 0))
