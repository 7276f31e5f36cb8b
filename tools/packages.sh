# Sourced: installing Debian packages so that a mirror in mid-sync does not end the run.
#
# A mirror being synced serves, now and then, an index that does not match its Release
# file ("File has unexpected size ... Mirror sync in progress?"): apt-get update exits
# 100 although every other index was fetched. When that index is the security suite's
# for i386, the Multi-Arch "same" packages under wine32:i386 cannot be resolved, since
# their amd64 candidates come from the security suite and the i386 ones cannot. So:
# retry the update, go on with what was fetched, retry the install, and for an install
# that cannot be resolved prefer the release's own suites (-t CODENAME). Each thing that
# failed gets one line saying what was done about it; a real failure still fails, with
# apt's own message.
#   PKG_TRIES  tries of each step [3]     PKG_PAUSE  seconds between tries [15]

# True when the package is fully installed (not half-installed, not removed with its
# configuration kept, which dpkg -s also answers for).
pkg_installed() {
    [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]
}

# The first error line apt printed into FILE, for a one-line report.
pkg_first_error() {
    grep -m 1 '^E:' "$1" 2>/dev/null || tail -n 1 "$1" 2>/dev/null
}

pkg_update() {
    local tries=${PKG_TRIES:-3} pause=${PKG_PAUSE:-15} try err
    err=$(mktemp)
    for ((try = 1; try <= tries; try++)); do
        if apt-get update -qq 2>"$err" >/dev/null; then
            rm -f "$err"
            return 0
        fi
        echo "packages: apt-get update failed (try $try of $tries): $(pkg_first_error "$err")" >&2
        [ "$try" -lt "$tries" ] && sleep "$pause"
    done
    echo "packages: going on with the package indexes that could be fetched" >&2
    rm -f "$err"
    return 0
}

# pkg_install PACKAGE...: installs them (as root), recovering as described above.
pkg_install() {
    local tries=${PKG_TRIES:-3} pause=${PKG_PAUSE:-15} try err codename
    local -a prefer=()
    codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
    err=$(mktemp)
    export DEBIAN_FRONTEND=noninteractive
    for ((try = 1; try <= tries; try++)); do
        if apt-get install -y -qq --no-install-recommends "${prefer[@]}" "$@" 2>"$err" >/dev/null; then
            [ ${#prefer[@]} -gt 0 ] && echo "packages: installed with the release's own suites preferred (${prefer[*]})" >&2
            rm -f "$err"
            return 0
        fi
        if grep -qE 'unmet dependencies|held broken packages|Unable to correct problems' "$err" &&
                [ ${#prefer[@]} -eq 0 ] && [ -n "$codename" ]; then
            echo "packages: the install could not be resolved ($(pkg_first_error "$err")); retrying with the release's own suites preferred (-t $codename)" >&2
            prefer=(-t "$codename")
            ((try--))  # the switch is not a try of its own
            continue
        fi
        echo "packages: apt-get install failed (try $try of $tries): $(pkg_first_error "$err")" >&2
        if [ "$try" -lt "$tries" ]; then
            sleep "$pause"
            pkg_update
        fi
    done
    cat "$err" >&2
    rm -f "$err"
    return 1
}
