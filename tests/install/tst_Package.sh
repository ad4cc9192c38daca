#!/usr/bin/env bash
# Makes the Debian package from what the build made (as `cpack -G DEB` in the build directory
# does, into a temporary folder), checks its files and its library dependencies, and runs
# lintian on it where lintian is installed: it must report no error.
# Usage: tst_Package.sh BUILD_DIR
set -euo pipefail
build="$1"
work="$(mktemp -d "${TMPDIR:-/tmp}/velmora package check.XXXXXX")"
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log" >&2
    fail "cpack failed"
}
deb="$(ls "$work"/velmora_*.deb)"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

contents="$(dpkg-deb -c "$deb")"
for file in ./usr/bin/velmora ./usr/bin/velmora-brand ./usr/bin/velmora-ads \
    ./usr/share/applications/org.velmora.Velmora.desktop ./usr/share/doc/velmora/copyright \
    ./usr/share/doc/velmora/changelog.gz ./usr/share/man/man1/velmora.1.gz; do
    grep -q " $file\$" <<<"$contents" || fail "the package lacks $file"
done
! grep -q ' ./usr/local' <<<"$contents" || fail "the package installs into /usr/local"

# dpkg-shlibdeps found the libraries the programs link.
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
for library in libqt6widgets6 libqt6network6 libgumbo1 libinih1; do
    grep -q "$library" <<<"$depends" || fail "Depends lacks $library"
done

if command -v lintian >/dev/null; then
    lintian "$deb" >"$work/lintian.txt" 2>&1 || true
    cat "$work/lintian.txt"
    ! grep -q '^E: ' "$work/lintian.txt" || fail "lintian reports errors"
    echo "lintian: no error"
else
    echo "lintian is not installed: left out"
fi
