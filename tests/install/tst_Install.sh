#!/usr/bin/env bash
# Installs the built tree twice into a prefix with blanks in its name, checks the layout and the
# command line with no display, starts the program headless with a welcome page that loads a
# picture from a loopback server (the installed module was found), again without the module, and
# runs the desktop entry and AppStream validators where installed.
# Usage: tst_Install.sh BUILD_DIR MODULE_FILE_NAME
set -euo pipefail
build="$1"
module_name="$2"

work="$(mktemp -d "${TMPDIR:-/tmp}/velmora install check.XXXXXX")"
server_pid=""
program_pid=""
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

prefix="$work/usr local"
cmake --install "$build" --prefix "$prefix" >/dev/null
cmake --install "$build" --prefix "$prefix" >/dev/null

id=org.velmora.Velmora
expected=(
    bin/velmora bin/velmora-brand bin/velmora-ads bin/velmora-batch
    "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"
    "share/icons/hicolor/scalable/apps/$id.svg"
    share/man/man1/velmora.1.gz share/man/man1/velmora-brand.1.gz share/man/man1/velmora-ads.1.gz
    share/man/man1/velmora-batch.1.gz
    share/doc/velmora/README.md share/doc/velmora/copyright
)
for size in 16 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done
with_module=false
if [ -f "$build/app/$module_name" ]; then
    with_module=true
    expected+=("lib/velmora/$module_name")
fi
for file in "${expected[@]}"; do
    [ -f "$prefix/$file" ] || fail "the install lacks $file"
done
[ ! -e "$prefix/bin/$module_name" ] || fail "the module was installed into bin/"
echo "installed into '$prefix': ${#expected[@]} files in place"

# No window system may open for these: with no display, the xcb platform would abort.
version="$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/velmora" --version)"
[ "$version" = "velmora 2.0" ] || fail "--version printed '$version'"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/velmora" --no-such-option \
    >/dev/null 2>"$work/usage.txt" || status=$?
[ "$status" = 2 ] || fail "an unknown option exited with $status, not 2"
grep -q '^usage: velmora' "$work/usage.txt" || fail "an unknown option printed no usage line"
echo "--version: $version; an unknown option: exit 2 and the usage line"

# The user's folders, and a system-wide configuration folder of the test's own.
export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/config folder"
export XDG_CACHE_HOME="$HOME/cache"
export XDG_CONFIG_DIRS="$work/etc xdg"
export TMPDIR="$work/tmp"
mkdir -p "$HOME" "$TMPDIR" "$work/www"
export QT_QPA_PLATFORM=offscreen

if ! $with_module; then
    echo "no web engine module was built: the headless starts are left out"
    exit 0
fi

# The loopback server: port 0, the port it got read from its first line.
cp "$prefix/share/icons/hicolor/16x16/apps/$id.png" "$work/www/probe.png"
python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$work/www" >"$work/server.out" 2>"$work/server.log" &
server_pid=$!
for _ in $(seq 100); do
    grep -q 'port' "$work/server.out" 2>/dev/null && break
    sleep 0.1
done
port="$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$work/server.out" | head -n1)"
[ -n "$port" ] || fail "the loopback server did not start"

# The user's own brand, with a welcome page that asks the server for a picture.
printf '%s\r\n' '<%%ApplicationName%%>Installed<%%/ApplicationName%%>' \
    "<%%Welcome1%%><html><body><img src=\"http://127.0.0.1:$port/probe.png\">Welcome</body></html><%%/Welcome1%%>" \
    >"$work/settings.txt"
mkdir -p "$XDG_CONFIG_HOME/velmora"
"$prefix/bin/velmora-brand" pack "$work/settings.txt" "$XDG_CONFIG_HOME/velmora/dbsettings.dat" >/dev/null 2>&1 || true
[ -f "$XDG_CONFIG_HOME/velmora/dbsettings.dat" ] || fail "velmora-brand made no settings file"
brand_before="$(md5sum "$XDG_CONFIG_HOME/velmora/dbsettings.dat")"
tree_before="$(cd "$prefix" && find . | sort)"

# Starts the installed program and waits until a command holds, at most 90 seconds; fails at
# once when the program's output shows the bad text (empty: none).
run_until() {
    local log="$1" bad="$2"
    shift 2
    "$prefix/bin/velmora" >"$log" 2>&1 &
    program_pid=$!
    local waited=0
    until "$@"; do
        kill -0 "$program_pid" 2>/dev/null || { cat "$log" >&2; fail "velmora ended by itself"; }
        [ -z "$bad" ] || ! grep -q "$bad" "$log" || { cat "$log" >&2; fail "velmora said: $bad"; }
        ((waited++ < 900)) || { cat "$log" >&2; fail "waited 90 s in vain for: $*"; }
        sleep 0.1
    done
    kill "$program_pid"
    wait "$program_pid" 2>/dev/null || true
    program_pid=""
}

run_until "$work/run1.log" 'could not be loaded' grep -q 'GET /probe.png' "$work/server.log"
! grep -q 'could not be loaded' "$work/run1.log" || fail "the module was not found: $(cat "$work/run1.log")"
[ "$(cd "$prefix" && find . | sort)" = "$tree_before" ] || fail "the program wrote into the installed tree"
[ "$(md5sum "$XDG_CONFIG_HOME/velmora/dbsettings.dat")" = "$brand_before" ] || fail "the brand file changed"
echo "headless start: the welcome page of the user's brand loaded its picture from 127.0.0.1:$port"

# Without its module the program starts and says why the page cannot be shown.
mv "$prefix/lib/velmora/$module_name" "$work/"
run_until "$work/run2.log" '' grep -q 'could not be loaded' "$work/run2.log"
grep -qF "$prefix/lib/velmora/$module_name" "$work/run2.log" || fail "the missing module was not named: $(cat "$work/run2.log")"
echo "without the module: $(grep -m1 'could not be loaded' "$work/run2.log")"

validate() {
    if ! command -v "$1" >/dev/null; then
        echo "$1 is not installed: left out"
    else "$@" || fail "$1 found errors"; fi
}
validate desktop-file-validate "$prefix/share/applications/$id.desktop"
validate appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
echo "install check passed"
