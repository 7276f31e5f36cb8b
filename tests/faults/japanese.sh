#!/bin/bash
# Runs a Windows test program under Wine with the ANSI code page 932 (Japanese):
# Wine takes it from the Unix locale ja_JP.UTF-8, which tools/install-deps.sh
# makes. Runs inside tests/wine-run.sh --host (WINEPREFIX, MARVANE_WINE set).
# Exits 77 (skipped, with a "skipped:" line) where that locale is missing, else with
# the program's exit code.
set -u
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
    echo "skipped: no ja_JP.UTF-8 locale here (tools/install-deps.sh makes it)"
    exit 77
fi
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
"$MARVANE_WINE" "$@"
