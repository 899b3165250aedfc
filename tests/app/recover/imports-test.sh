#!/usr/bin/env bash
# A Windows program of ours is one file: it imports system DLLs only (no C++ runtime, libgcc or winpthreads DLL
# beside it).
# usage: imports-test.sh OBJDUMP EXE
set -euo pipefail
objdump=$1 exe=$2
dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$dlls" ] || { echo "FAIL: no imports read from $exe" >&2; exit 1; }
status=0
while read -r dll; do
    case ${dll,,} in
    kernel32.dll | ws2_32.dll | advapi32.dll | msvcrt.dll | user32.dll | shell32.dll | iphlpapi.dll) ;;
    gdi32.dll | comctl32.dll | comdlg32.dll | bcrypt.dll) ;;
    api-ms-win-*.dll) ;;
    *) echo "FAIL: $exe needs $dll, which Windows does not have" >&2; status=1 ;;
    esac
done <<< "$dlls"
[ "$status" = 0 ] && echo "PASS: $(echo $dlls)"
exit "$status"
