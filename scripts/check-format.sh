#!/bin/sh
# Fails when a C++ source is not formatted as .clang-format says.
set -eu
cd "$(dirname "$0")/.."
# Tracked files and new ones not yet added (but not ignored ones).
git ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h' |
    xargs -0 clang-format --dry-run --Werror
