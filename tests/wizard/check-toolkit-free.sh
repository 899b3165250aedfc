#!/usr/bin/env bash
# check-toolkit-free.sh CHECK.cmake: the build's check passes sources that reach the toolkit only through ui/
# (a commented-out include too) and fails, naming file and line, on each kind of toolkit include.
set -euo pipefail
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run() { cmake -DDIRS="$1" -P "$check" >"$work/out" 2>&1; }

mkdir -p "$work/clean/sub"
printf '#include "ui/Dialog.h"\n#include <string>\n// #include <QWidget> was here\n' >"$work/clean/Page.cpp"
printf '#pragma once\n#include "ui/Canvas.h"\n' >"$work/clean/sub/Page.h"
if ! run "$work/clean"; then
    echo "clean sources refused:" && cat "$work/out"
    exit 1
fi

status=0
for include in '#include <QWidget>' '  #  include <QtWidgets/QDialog>' '#include "QtCore/qglobal.h"' \
    '#include <windows.h>' '#include <Windows.h>'; do
    rm -rf "$work/bad" && mkdir -p "$work/bad/deep"
    printf '#pragma once\n#include <string>\n%s\n' "$include" >"$work/bad/deep/Page.h"
    if run "$work/bad"; then
        echo "not caught: $include"
        status=1
    elif ! grep -q "deep/Page.h" "$work/out"; then
        echo "caught without naming the file: $include" && cat "$work/out"
        status=1
    fi
done
exit $status
