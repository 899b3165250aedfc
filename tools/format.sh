#!/usr/bin/env bash
# Applies .clang-format to the C++ sources that git tracks (or to the files given).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -gt 0 ]; then
    exec clang-format -i "$@"
fi
git ls-files -- '*.cpp' '*.h' | xargs -r clang-format -i
