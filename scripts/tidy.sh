#!/usr/bin/env bash
# Runs clang-tidy (the checks of .clang-tidy) over the Qt-free layers: platform,
# data, dataset, reconcile and the statement readers. Any finding fails.
#   scripts/tidy.sh            every file of those layers
#   scripts/tidy.sh FILE...    only these files
# Needs a configured build/ (./test or ./run makes it) for the compile commands.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/common.sh

build=build
[ -f "$build/compile_commands.json" ] || cmake --preset default >/dev/null
if [ $# -gt 0 ]; then
    files=("$@")
else
    mapfile -t files < <(git ls-files 'src/platform/*.cpp' 'src/data/*.cpp' 'src/dataset/*.cpp' \
                                      'src/reconcile/*.cpp' 'src/statement/*.cpp')
fi
say "clang-tidy: ${#files[@]} files"
jobs=$(nproc)
printf '%s\n' "${files[@]}" |
    xargs -P "$jobs" -n 1 clang-tidy -p "$build" --quiet 2> >(grep -v 'warnings\? generated' >&2)
say "clang-tidy: clean"
