#!/bin/bash
# DLL planting, as an attacker would try it: probe DLLs (tests/planting/probe.c,
# each leaves "<its path>.loaded" when loaded) beside setup.exe in a downloads
# folder, beside the installed remove.exe, and in the remover's working folder as
# soon as it appears. Wine loads them native-first (WINEDLLOVERRIDES), as Windows
# does for any DLL that is not one of its KnownDLLs. No probe may load, and the
# install and the removal must still complete.
#
# A name that the loader brings in while a process with the programs' imports
# starts, before its first instruction (tests/planting/idle.c, run with
# WINEDEBUG=+loaddll), is beyond any program's reach: it is reported and left out.
#   planting-test.sh PROBE_DIR SETUP_EXE "NAMES"
# Runs inside tests/wine-run.sh --host (WINEPREFIX, DISPLAY and MARVANE_WINE set).
set -u
probes=$1
setup=$2
names=$3
wine=$MARVANE_WINE
# The installed names: the build's list of what it packed, from the file table.
installed=$(cut -d' ' -f2 "$MARVANE_BUILD_DIR/containers/manifest.txt")
c=$WINEPREFIX/drive_c
status=0
fail() {
    echo "FAIL: $*"
    status=1
}

# Copies the probes of the given names into a folder.
plant() {  # dir names...
    local dir=$1
    shift
    for n in "$@"; do
        cp "$probes/$n.dll" "$dir/"
    done
}

markers() {
    find "$c" -name '*.loaded' 2>/dev/null
}

# ---- Which names are beyond reach: loaded before a program's first instruction.
mkdir -p "$c/census"
cp "$probes/idle.exe" "$c/census/"
(cd "$c/census" && WINEDEBUG=+pid,+loaddll "$wine" idle.exe) >"$c/census/all.txt" 2>&1
# Other processes of the prefix (its start-up) write to the same log: keep idle.exe's.
pid=$(grep -i 'Loaded L".*idle\.exe" at' "$c/census/all.txt" | head -n 1 | cut -d: -f1)
[ -n "$pid" ] || fail "idle.exe did not run"
grep "^$pid:" "$c/census/all.txt" >"$c/census/loaddll.txt"
reach=()
beyond=()
for n in $names; do
    if grep -qi "\\\\$n\.dll\" at" "$c/census/loaddll.txt"; then
        beyond+=("$n")
    else
        reach+=("$n")
    fi
done
echo "== loaded by the loader before the first instruction (left out): ${beyond[*]}"
echo "== probed: ${reach[*]}"
[ ${#reach[@]} -gt 0 ] || fail "nothing left to probe"
overrides="$(IFS=,; echo "${reach[*]}")=n,b;$WINEDLLOVERRIDES"

# ---- The probes are seen: a program that loads by name without narrowing takes
# every one of them.
mkdir -p "$c/control"
cp "$probes/control.exe" "$c/control/"
plant "$c/control" "${reach[@]}"
for n in "${reach[@]}"; do
    (cd "$c/control" && WINEDLLOVERRIDES=$overrides "$wine" control.exe "$n.dll") >/dev/null 2>&1
    [ -f "$c/control/$n.dll.loaded" ] || fail "the control program did not load the planted $n.dll"
done
rm -rf "$c/control"

# ---- The installation, from a downloads folder full of probes.
mkdir -p "$c/downloads"
cp "$setup" "$c/downloads/setup.exe"
plant "$c/downloads" "${reach[@]}"
rc=0
(cd "$c/downloads" && WINEDLLOVERRIDES=$overrides "$wine" setup.exe -q -l) >/dev/null 2>&1 || rc=$?
[ $rc = 0 ] || fail "setup.exe -q -l ended with $rc"
[ -n "$installed" ] || fail "no installed names in $MARVANE_BUILD_DIR/containers/manifest.txt"
for f in $installed; do
    [ -s "$c/Marvane/$f" ] || fail "not installed: $f"
done
grep -q '^DIR=C:\\Marvane' "$c/windows/win.ini" || fail "the installation was not recorded"

# ---- The removal: probes beside remove.exe and, as soon as it appears, in the
# working folder in the temporary directory.
plant "$c/Marvane" "${reach[@]}"
temp=$(find "$c/users" -mindepth 2 -maxdepth 2 -iname temp -type d | head -n 1)
[ -n "$temp" ] || fail "no temporary directory in the prefix"
planted=$c/planted.txt
: >"$planted"
(
    end=$((SECONDS + 120))
    while [ $SECONDS -lt $end ] && [ ! -f "$c/stop-watching" ]; do
        for d in "$temp"/MVR*; do
            [ -d "$d" ] || continue
            grep -qxF "$d" "$planted" && continue
            plant "$d" "${reach[@]}" 2>/dev/null
            echo "$d" >>"$planted"
        done
        sleep 0.01
    done
) &
watcher=$!
rc=0
(cd "$c" && WINEDLLOVERRIDES=$overrides "$wine" 'C:\Marvane\remove.exe' -q -f 'C:\Marvane' -d 'C:\Marvane' -g Marvane) \
    >/dev/null 2>&1 || rc=$?
[ $rc = 0 ] || fail "remove.exe ended with $rc"
# The working copy goes on after the program started from the directory ends.
for _ in $(seq 1 600); do
    grep -q '^\[Marvane\]' "$c/windows/win.ini" || break
    sleep 0.1
done
"$wine" reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Marvane' >/dev/null 2>&1 &&
    fail "the uninstall key is still there"
grep -q '^\[Marvane\]' "$c/windows/win.ini" && fail "the removal did not complete: [Marvane] is still in win.ini"
touch "$c/stop-watching"
wait "$watcher"
[ -s "$planted" ] || fail "the remover's working folder never appeared, nothing was planted there"
for f in $installed; do
    [ -e "$c/Marvane/$f" ] && fail "not removed: $f"
done
echo "== planted in the working folder: $(tr '\n' ' ' <"$planted")"

found=$(markers)
if [ -n "$found" ]; then
    fail "probes were loaded:"
    echo "$found" | sed "s|$c|C:|"
fi
[ $status = 0 ] && echo "== no probe was loaded"
exit $status
