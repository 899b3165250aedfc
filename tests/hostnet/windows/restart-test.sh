#!/bin/bash
# restart-test.sh PROGRAM WINE_RUN: runs PROGRAM --restart MARKER under Wine (WINE_RUN, tools/wine/wine-run.sh) in a
# throw-away prefix where the program is shown system version 5.1. The program leaves a RunOnce entry that writes
# MARKER, then restarts the computer (here: the prefix's session); the entry runs only when the session restarts.
set -eu
program=$1
run=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s]\n"Version"="winxp"\n' \
    "$(basename "$program")" >"$work/version.reg"
marker="Z:$(echo "$work/marker" | tr / '\\')"
status=0
env -u WINEPREFIX WINE_RUN_REG="$work/version.reg" "$run" "$program" --restart "$marker" --gtest_brief=1 || status=$?
[ -f "$work/marker" ] || { echo "restart-test.sh: the session did not restart (no $work/marker)" >&2; exit 1; }
exit $status
