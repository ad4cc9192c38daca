#!/usr/bin/env bash
# Peak memory of velmora-ads on two generated 31.5 MB pages: one dense with ad markers (a
# row for every 8 bytes of page) and one with ordinary ads. The tool streams its rows to the
# output, so its peak should stay near twice the page size however many rows it writes.
# Usage: bench/ads_tool_memory.sh [path/to/velmora-ads]   (needs /usr/bin/time)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
tool="${1:-$root/build/tools/ads/velmora-ads}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'PY'
import sys
size = 31_500_000
marker = b'<a id=pa'
open(sys.argv[1] + '/markers.html', 'wb').write(marker * (size // len(marker)))
ad = b'<li><a id=an%d href="/aclk?ai=%d">Offer <b>%d</b> chairs</a> Free delivery &amp; returns<cite>ads%d.example</cite>\r\n'
page, n = bytearray(b'<html><body><div id=tads><ol>\r\n'), 1
while len(page) < size:
    page += ad % (n, n, n, n)
    n += 1
open(sys.argv[1] + '/ads.html', 'wb').write(page + b'</ol></div></body></html>\r\n')
PY

for page in markers ads; do
    /usr/bin/time -v -o "$work/time" "$tool" -o "$work/$page.csv" "$work/$page.html" chairs
    awk -v page="$page" -v pagebytes="$(stat -c %s "$work/$page.html")" -v out="$(stat -c %s "$work/$page.csv")" \
        -v rows="$(($(wc -l < "$work/$page.csv") - 1))" \
        -v rss="$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time")" \
        'BEGIN { printf "%-8s page %5.1f MB, %8d rows, CSV %6.1f MB: peak RSS %6.1f MB\n",
                 page, pagebytes / 1e6, rows, out / 1e6, rss / 1000 }'
done
