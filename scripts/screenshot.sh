#!/usr/bin/env bash
# Makes dist/screenshot.png: the real program under a private X server, a search for "garden
# hose" against a loopback engine that answers with the hand-written results page of the tests.
# Needs a build whose engine is that loopback server, and xdotool, xwd (x11-apps) and netpbm:
#   cmake -S . -B build-shot -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF \
#       -DVELMORA_SEARCH_BASE_URL=http://127.0.0.1:8791 \
#       -DVELMORA_UPDATE_BASE_URL=http://127.0.0.1:8791/liveupdate/velmora/
#   cmake --build build-shot --target velmora
#   apt-get install xdotool x11-apps netpbm
#   scripts/screenshot.sh build-shot
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:?build directory}"
work="$(mktemp -d)"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT

display=:93
Xvfb "$display" -screen 0 1024x700x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
mkdir -p "$work/www" "$work/home"
cp "$root/tests/data/serp/top-and-side.html" "$work/www/search"
python3 -m http.server 8791 --bind 127.0.0.1 --directory "$work/www" >/dev/null 2>&1 &
pids+=($!)
sleep 1

export DISPLAY="$display" HOME="$work/home"
"$build/app/velmora" >/dev/null 2>&1 &
pids+=($!)
window="$(xdotool search --sync --onlyvisible --name '^Velmora$' | head -n1)"
sleep 1
xdotool windowfocus --sync "$window"
xdotool type --delay 40 'garden hose'
xdotool key Return
sleep 3
xwd -silent -id "$window" | xwdtopnm 2>/dev/null | pnmtopng -compression 9 >"$root/dist/screenshot.png"
echo "dist/screenshot.png: $(stat -c %s "$root/dist/screenshot.png") bytes"
