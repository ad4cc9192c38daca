#!/usr/bin/env bash
# Measures how fast Velmora starts against a yardstick program, under a private Xvfb server:
# the time from process start to the X server mapping the window (bench/startup/MapWatch.cpp)
# and the peak resident memory that /usr/bin/time -v reports. Each pair's two programs run in
# turn, A B A B ..., after one untimed warm-up each; the medians and the ratios A/B are printed.
#
#   bench/startup.sh [BUILD_DIR]      (default: build; RUNS=7 runs of each program)
#
# A pair is one add_pair line below: a label, the goal for the time ratio, then the two commands,
# each as one string that the shell splits into words.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
runs="${RUNS:-7}"
settle_ms="${SETTLE_MS:-500}"

pair_labels=()
pair_goals=()
pair_a=()
pair_b=()
add_pair() {
    pair_labels+=("$1")
    pair_goals+=("$2")
    pair_a+=("$3")
    pair_b+=("$4")
}

cmake --build "$build" --target velmora velmora-brand startup_bare_window startup_widgets_window \
    startup_mapwatch >/dev/null
watch="$build/bench/startup/startup_mapwatch"

work="$(mktemp -d)"
xvfb_pid=""
cleanup() {
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

add_pair "start without a welcome page" 1.3 "$build/app/velmora" "$build/bench/startup/startup_bare_window"
# For reference, no goal: the same start against a window of the same standard widgets and sheet.
add_pair "start without a welcome page, against its widgets alone" - "$build/app/velmora" \
    "$build/bench/startup/startup_widgets_window"

# A start with a welcome page: a copy of the program with its web engine module in a branded
# folder whose settings hold one welcome page, against a bare web view showing the same page.
if cmake --build "$build" --target velmora_webengine startup_bare_webview >/dev/null 2>&1; then
    mkdir "$work/branded"
    cp "$build/app/velmora" "$build/app/velmora_webengine.so" "$work/branded/"
    {
        printf '<html><head><title>Welcome</title></head><body><h1>Welcome to Velmora</h1>'
        printf '<p>Type a keyword and press Search to see its sponsored ads.</p></body></html>'
    } >"$work/welcome.html"
    {
        printf '<%%%%ApplicationName%%%%>Velmora<%%%%/ApplicationName%%%%>\r\n<%%%%Welcome1%%%%>'
        cat "$work/welcome.html"
        printf '<%%%%/Welcome1%%%%>\r\n'
    } >"$work/settings.txt"
    "$build/tools/brand/velmora-brand" encrypt "$work/settings.txt" "$work/branded/dbsettings.dat" >/dev/null
    add_pair "start with a welcome page" 1.2 "$work/branded/velmora" \
        "$build/bench/startup/startup_bare_webview $work/welcome.html"
else
    echo "No web engine in this build: the pair of starts with a welcome page is skipped."
fi

# A private X server; it writes its display number to the file once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
[ -s "$work/display" ] || { echo "Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
export QT_QPA_PLATFORM=xcb
# The web engine under Xvfb and root, as in the tests.
export QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu"
export QTWEBENGINE_DISABLE_SANDBOX=1

# Runs one command once; appends "<ms> <KB> <size>" to the file $1.
measure() {
    local out="$1" command="$2" line kb ms size words
    read -ra words <<<"$command"
    line="$("$watch" --settle "$settle_ms" /usr/bin/time -v -o "$work/time" "${words[@]}" 2>"$work/stderr")" || {
        echo "failed: $command" >&2
        cat "$work/stderr" >&2
        exit 1
    }
    kb="$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time")"
    read -r ms size <<<"$line"
    echo "$ms $kb $size" >>"$out"
}

program() { # the program's file name in a command
    local words
    read -ra words <<<"$1"
    echo "${words[0]##*/}"
}

median() { # column $2 of file $1
    sort -g -k"$2","$2" "$1" | awk -v c="$2" '{v[NR] = $c} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

echo "Start-up under Xvfb ($DISPLAY): process start to window map, peak RSS (/usr/bin/time -v)."
echo "Medians of $runs alternating runs each, after one warm-up run each; load now: $(cut -d' ' -f1-3 /proc/loadavg)."
for i in "${!pair_labels[@]}"; do
    a="$work/a$i" b="$work/b$i"
    measure "$work/warm" "${pair_a[$i]}"
    measure "$work/warm" "${pair_b[$i]}"
    : >"$a"
    : >"$b"
    for _ in $(seq "$runs"); do
        measure "$a" "${pair_a[$i]}"
        measure "$b" "${pair_b[$i]}"
    done
    a_ms="$(median "$a" 1)" b_ms="$(median "$b" 1)"
    a_kb="$(median "$a" 2)" b_kb="$(median "$b" 2)"
    echo
    echo "${pair_labels[$i]}:"
    printf '  %-34s %8.1f ms %8.1f MB  window %s\n' "A $(program "${pair_a[$i]}")" "$a_ms" "$(awk -v k="$a_kb" 'BEGIN {print k / 1024}')" "$(awk 'NR == 1 {print $3}' "$a")"
    printf '  %-34s %8.1f ms %8.1f MB  window %s\n' "B $(program "${pair_b[$i]}")" "$b_ms" "$(awk -v k="$b_kb" 'BEGIN {print k / 1024}')" "$(awk 'NR == 1 {print $3}' "$b")"
    awk -v at="$a_ms" -v bt="$b_ms" -v am="$a_kb" -v bm="$b_kb" -v goal="${pair_goals[$i]}" \
        'BEGIN {printf "  %-34s %8.2fx    %8.2fx    (time, memory; %s)\n", "ratio A/B", at / bt, am / bm, goal == "-" ? "for reference" : "goal " goal "x"}'
done
