#!/usr/bin/env bash
# render-snapshots.sh SNAPSHOTS_EXE OUTDIR: every page and box in English and Japanese, on the test display,
# as OUTDIR/*.png; fails when a run fails or a picture is missing or blank.
set -euo pipefail
exe=$1 out=$2
rm -rf "$out"
mkdir -p "$out"
for tag in en ja; do
    # The system's own words (buttons of the boxes, the file dialog) follow the locale.
    locale=en_US.UTF-8
    [ "$tag" = ja ] && locale=ja_JP.UTF-8
    LANG=$locale LC_ALL=$locale "${WINE:-/usr/lib/wine/wine64}" "$exe" "$out" "$tag" >"$out/$tag.log" 2>&1 ||
        { echo "FAIL: the $tag run: $(tail -5 "$out/$tag.log")" >&2; exit 1; }
done
for bmp in "$out"/*.bmp; do
    convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
done
status=0
for name in dialog102 dialog139 dialog140 dialog141 dialog142 dialog143 dialog103 dialog104 dialog105-complete dialog106 \
    dialog138-template dialog150-template password open-dialog message152-power-cycle message109-media-sense; do
    for tag in en ja; do
        png=$out/$name-$tag.png
        [ -s "$png" ] || { echo "FAIL: no $png" >&2; status=1; continue; }
        # A picture of a window has more than one colour.
        colours=$(convert "$png" -format %k info:)
        [ "$colours" -gt 8 ] || { echo "FAIL: $png is blank ($colours colours)" >&2; status=1; }
    done
done
echo "$(ls "$out"/*.png | wc -l) pictures in $out"
exit $status
