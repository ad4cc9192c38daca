#!/usr/bin/env bash
# Sets everything up, builds, and runs the whole test suite headless: first the normal
# build, then the AddressSanitizer/UBSan build. ctest's summary line ends each run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
werror=OFF
[ -n "${CI:-}" ] && werror=ON
jobs="$(nproc)"

"$root/scripts/setup.sh" "$root/build" -DVELMORA_WERROR=$werror
ctest --test-dir "$root/build" --output-on-failure -j "$jobs"

if [ "${VELMORA_SKIP_SANITIZE:-}" != 1 ]; then
    "$root/scripts/setup.sh" "$root/build-sanitize" -DVELMORA_SANITIZE=ON -DVELMORA_BENCH=OFF \
        -DCMAKE_BUILD_TYPE=Debug -DVELMORA_WERROR=$werror
    ctest --test-dir "$root/build-sanitize" --output-on-failure -j "$jobs"
fi
