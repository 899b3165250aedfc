#!/usr/bin/env bash
# Every program given answers --help with its usage on standard output and exit status 0.
#   check-help.sh PROGRAM...
set -uo pipefail
status=0
for program in "$@"; do
    output=$("$program" --help 2>/dev/null)
    code=$?
    if [ $code -ne 0 ] || ! grep -qi '^usage: ' <<<"$output"; then
        echo "FAIL: $(basename "$program") --help: exit $code, output: ${output:0:80}" >&2
        status=1
    fi
done
exit $status
