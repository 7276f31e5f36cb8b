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

# pkg_update [APT-OPTION...]: fetches the package indexes; never fails (see above).
pkg_update() {
    local tries=${PKG_TRIES:-3} pause=${PKG_PAUSE:-15} try err
    err=$(mktemp)
    for ((try = 1; try <= tries; try++)); do
        if apt-get "$@" update -qq 2>"$err" >/dev/null; then
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

# pkg_debian_mirrors [APT-ETC-DIR] [CODENAME]: the URIs of the Debian archive that the
# system's sources name (one a line, first named first): entries for the release, its
# -updates or -backports, or a suite named stable, testing and the like; not the
# security archive, not other vendors' repositories. Reads the one-line format
# (sources.list, sources.list.d/*.list, with or without [options]) and the deb822 one
# (sources.list.d/*.sources); commented and disabled entries do not count.
pkg_debian_mirrors() {
    local etc=${1:-/etc/apt} codename=${2:-}
    [ -n "$codename" ] || codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
    local -a lists=() parts=()
    [ -f "$etc/sources.list" ] && lists+=("$etc/sources.list")
    for f in "$etc"/sources.list.d/*.list; do [ -f "$f" ] && lists+=("$f"); done
    for f in "$etc"/sources.list.d/*.sources; do [ -f "$f" ] && parts+=("$f"); done
    {
        [ ${#lists[@]} -eq 0 ] || awk '
            { sub(/#.*/, "") }
            $1 == "deb" {
                line = $0
                sub(/^[ \t]*deb[ \t]+/, "", line)
                if (line ~ /^\[/) sub(/^\[[^]]*\][ \t]*/, "", line)
                split(line, w, /[ \t]+/)
                print w[1], w[2]
            }' "${lists[@]}"
        [ ${#parts[@]} -eq 0 ] || awk '
            function flush(   i, n, u, s) {
                if (types ~ /(^| )deb( |$)/ && tolower(enabled) != "no") {
                    n = split(uris, u, " "); split(suites, s, " ")
                    for (i = 1; i <= n; i++) for (j in s) print u[i], s[j]
                }
                types = uris = suites = enabled = ""; key = ""
            }
            FNR == 1 { flush() }
            /^#/ { next }
            /^[ \t]*$/ { flush(); next }
            /^[ \t]/ { if (key == "uris") uris = uris " " $0; else if (key == "suites") suites = suites " " $0; next }
            {
                key = tolower(substr($0, 1, index($0, ":") - 1)); value = substr($0, index($0, ":") + 1)
                if (key == "types") types = value; else if (key == "uris") uris = value
                else if (key == "suites") suites = value; else if (key == "enabled") enabled = value
                gsub(/^[ \t]+|[ \t]+$/, "", enabled)
            }
            END { flush() }' "${parts[@]}"
    } | awk -v codename="$codename" '
        {
            uri = $1; suite = $2; sub(/\/+$/, "", uri)
            if (uri !~ /^(https?|ftp):\/\// || uri ~ /security/ || suite ~ /security|\/updates$/) next
            base = suite; sub(/-(updates|proposed-updates|backports|backports-sloppy)$/, "", base)
            if (base != codename && base !~ /^(oldoldstable|oldstable|stable|testing|unstable|sid)$/) next
            if (!(uri in seen)) { seen[uri] = 1; print uri }
        }'
}
