#!/bin/sh
# Fails when a C++ source is not formatted as .clang-format says, or reaches
# another folder's header by a relative path (which would get round the
# include directories that keep the layers one way).
set -eu
cd "$(dirname "$0")/.."
# Tracked files and new ones not yet added (but not ignored ones).
git ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h' |
    xargs -0 clang-format --dry-run --Werror
if git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' '*.rc' |
    xargs grep -n '#include "\.\./' ; then
    echo "check-format: include a header by its name; the build's include directories say which layers may" >&2
    exit 1
fi
