#!/usr/bin/env bash
# Builds one libFuzzer target with clang and runs it for a while.
# Usage: scripts/fuzz.sh TARGET [SECONDS]   (targets: see fuzz/*/CMakeLists.txt)
# The seed corpus is fuzz/<unit>/corpus/<TARGET>, plus the folders (relative to the top of the
# tree) listed in fuzz/<unit>/corpus/<TARGET>.extra, such as the tests' page fixtures; new
# inputs go to build-fuzz/corpus/<TARGET>.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
target="${1:?fuzz target}"
seconds="${2:-60}"
build="$root/build-fuzz"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DVELMORA_FUZZ=ON \
    -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target "$target"

seeds=$(find "$root/fuzz" -type d -path "*/corpus/$target" | head -n 1)
work="$build/corpus/$target"
mkdir -p "$work"
extra=()
list=$(find "$root/fuzz" -type f -path "*/corpus/$target.extra" | head -n 1)
if [ -n "$list" ]; then
    while read -r dir; do
        [ -n "$dir" ] && extra+=("$root/$dir")
    done <"$list"
fi
exe=$(find "$build/fuzz" -type f -name "$target" -perm -u+x | head -n 1)
"$exe" -max_total_time="$seconds" -print_final_stats=1 "$work" ${seeds:+"$seeds"} "${extra[@]}"
