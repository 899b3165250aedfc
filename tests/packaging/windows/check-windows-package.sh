#!/usr/bin/env bash
# Checks the Windows package as a user gets it: the zip holds exactly the packaged files, byte for byte; the
# installer, run silently under Wine in a prefix of its own, puts the same files into Program Files\Vornalix with its
# uninstaller, a Start-menu entry for the shortcut's program and the uninstall entry; the uninstaller then leaves no
# file, folder, shortcut, registry key or temporary folder behind.
#   check-windows-package.sh MANIFEST WINE_RUN
# MANIFEST is the build's package.txt (version, zip, folder, installer, shortcut and one file= line per packaged
# file); WINE_RUN is tools/wine/wine-run.sh.
set -euo pipefail
manifest=$1 wine_run=$2
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

version='' zip='' folder='' installer='' shortcut='' files=()
while IFS='=' read -r key value; do
    case $key in
    version) version=$value ;;
    zip) zip=$value ;;
    folder) folder=$value ;;
    installer) installer=$value ;;
    shortcut) shortcut=$value ;;
    file) files+=("$value") ;;
    esac
done <"$manifest"
if [ -z "$version" ] || [ -z "$folder" ] || [ ${#files[@]} -eq 0 ]; then
    fail "$manifest lacks the version, the folder or the files"
fi
names=()
for f in "${files[@]}"; do names+=("${f##*/}"); done
listed() { printf '%s\n' "${names[@]}" | grep -Fxq "$1"; }
listed README.txt || fail "the package has no README.txt"
listed "$shortcut" || fail "the Start-menu entry starts $shortcut, which the package does not hold"
for f in "$zip" "$installer" "${files[@]}"; do
    [ -s "$f" ] || fail "$f is missing: build the windows-package target"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vornalix-windows-package.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The zip: one folder holding the packaged files and nothing else.
mkdir "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$zip") || fail "cannot unpack $zip"
expected=$(for n in "${names[@]}"; do echo "$folder/$n"; done | sort)
actual=$(cd "$work/zip" && find . -type f | sed 's|^\./||' | sort)
[ "$actual" = "$expected" ] || fail "the zip holds"$'\n'"$actual"$'\n'"instead of"$'\n'"$expected"
for f in "${files[@]}"; do
    cmp -s "$f" "$work/zip/$folder/${f##*/}" || fail "${f##*/} in the zip differs from the built one"
done

# A prefix of its own, kept between the two runs of wine-run.sh (the installer's, the uninstaller's), with its server
# directory beside it. No display: nothing is shown.
export WINEPREFIX=$work/prefix TMPDIR=$work/tmp
mkdir -p "$TMPDIR"
unset DISPLAY
win() { printf 'Z:%s' "${1//\//\\}"; }
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vornalix'
dir='C:\Program Files\Vornalix'
# The uninstaller works in place only with _?= (last, unquoted); without it, it runs from a copy in Temp that returns
# at once. With _?= it cannot remove itself or its folder: the script does, as the copy would.
printf '@echo off\r\n"%s" /S\r\nreg query "%s" >"%s"\r\n' "$(win "$installer")" "$key" "$(win "$work/key.txt")" \
    >"$work/install.bat"
printf '@echo off\r\n"%s\\uninstall.exe" /S _?=%s\r\ndel "%s\\uninstall.exe"\r\nrmdir "%s"\r\n' \
    "$dir" "$dir" "$dir" "$dir" >"$work/uninstall.bat"
printf 'reg query "%s" >nul 2>nul\r\necho %%ERRORLEVEL%% >"%s"\r\nexit /b 0\r\n' "$key" \
    "$(win "$work/key-after.txt")" >>"$work/uninstall.bat"

"$wine_run" cmd /c "$(win "$work/install.bat")" >"$work/install.log" 2>&1 || {
    cat "$work/install.log" >&2
    fail "installing failed"
}
drive_c=$WINEPREFIX/drive_c
installed=$drive_c/Program\ Files/Vornalix
menu=$drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Vornalix
[ -d "$installed" ] || fail "the installer installed nothing (no Program Files\\Vornalix)"
actual=$(cd "$installed" && find . -mindepth 1 | sed 's|^\./||' | sort)
expected=$(printf '%s\n' "${names[@]}" uninstall.exe | sort)
[ "$actual" = "$expected" ] || fail "Program Files\\Vornalix holds"$'\n'"$actual"$'\n'"instead of"$'\n'"$expected"
for f in "${files[@]}"; do
    cmp -s "$f" "$installed/${f##*/}" || fail "the installed ${f##*/} differs from the built one"
done
[ "$(cd "$menu" 2>/dev/null && ls)" = "Vornalix Firmware Upgrade.lnk" ] ||
    fail "the Start-menu folder Vornalix does not hold exactly the entry Vornalix Firmware Upgrade.lnk"
# The shortcut names its target as a Windows path (also in UTF-16 when the link has Unicode strings).
target="$dir\\$shortcut"
utf16=$(printf '%s' "$target" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 | tr -d ' \n')
lnk=$(od -An -tx1 "$menu/Vornalix Firmware Upgrade.lnk" | tr -d ' \n')
ascii=$(printf '%s' "$target" | od -An -tx1 | tr -d ' \n')
[[ $lnk == *"$utf16"* || $lnk == *"$ascii"* ]] || fail "the Start-menu entry does not start $target"
# reg query: one "NAME  TYPE  DATA" line per value, blank-separated.
sed 's/[[:space:]]\+/ /g; s/^ //; s/ $//' "$work/key.txt" >"$work/key"
for value in "DisplayName REG_SZ Vornalix" "DisplayVersion REG_SZ $version" "Publisher REG_SZ Vornalix" \
    "DisplayIcon REG_SZ $target,0" "UninstallString REG_SZ \"$dir\\uninstall.exe\""; do
    grep -Fxq "$value" "$work/key" || fail "the uninstall entry lacks $value; it holds:"$'\n'"$(cat "$work/key")"
done

"$wine_run" cmd /c "$(win "$work/uninstall.bat")" >"$work/uninstall.log" 2>&1 || {
    cat "$work/uninstall.log" >&2
    fail "uninstalling failed"
}
[ ! -e "$installed" ] || fail "the uninstaller left Program Files\\Vornalix:"$'\n'"$(ls -A "$installed")"
[ ! -e "$menu" ] || fail "the uninstaller left the Start-menu folder Vornalix:"$'\n'"$(ls -A "$menu")"
[ "$(tr -d '\r ' <"$work/key-after.txt")" = 1 ] || fail "the uninstaller left the uninstall entry $key"
left=$(find "$drive_c" \( -iname '*vornalix*' -o -iname '~nsu*' \) -print)
[ -z "$left" ] || fail "the uninstaller left:"$'\n'"$left"
echo "zip, installation and uninstallation of ${names[*]} checked"
