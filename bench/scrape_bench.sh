#!/bin/sh
# Asking trackers, side by side: `transmission-show --scrape` and `marrowpeek scrape` on the same
# version 1 torrent with three trackers of the benchmark's own on 127.0.0.1: an HTTP one that
# answers, a UDP one, and an HTTP one that never answers. Reports each one's time and how many
# trackers answered it. Usage: bench/scrape_bench.sh [BUILD_BIN]   (default: build/native/bin)
set -eu
bin=${1:-build/native/bin}
tool=$(cd "$(dirname "$bin/marrowpeek")" && pwd)/marrowpeek
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
cd "$work"
/usr/bin/python3 "$here/tests/loopback_trackers.py" &
trackers=$!
trap 'kill $trackers 2>/dev/null; rm -rf "$work"' EXIT
for kind in answering silent udp; do
    for _ in 1 2 3 4 5 6 7 8 9 10; do [ -s "$kind.port" ] && break; sleep 0.2; done
done
/usr/bin/python3 - "http://127.0.0.1:$(cat answering.port)/announce" \
    "udp://127.0.0.1:$(cat udp.port)/announce" "http://127.0.0.1:$(cat silent.port)/announce" <<'PY'
import sys, libtorrent as lt
info = {b"name": b"a", b"piece length": 16384, b"length": 1, b"pieces": b"p" * 20}
tiers = [[url.encode()] for url in sys.argv[1:]]
open("v1.torrent", "wb").write(lt.bencode({b"announce": tiers[0][0], b"announce-list": tiers, b"info": info}))
PY
milliseconds() { date +%s%3N; }
start=$(milliseconds)
theirs=$(timeout 120 transmission-show --scrape v1.torrent 2>&1 | grep -c 'seeders' || true)
middle=$(milliseconds)
ours=$("$tool" scrape v1.torrent --json | /usr/bin/python3 -c 'import json, sys
print(sum(t["status"] == "ok" for t in json.load(sys.stdin)["trackers"]))')
end=$(milliseconds)
printf 'scrape, 3 trackers (HTTP, UDP, one that never answers): transmission-show %d ms, %d answered; marrowpeek %d ms, %d answered\n' \
    "$((middle - start))" "$theirs" "$((end - middle))" "$ours"

# A torrent of 60,000 trackers whose names do not resolve here: the run must end in its 10 s,
# on a bounded number of threads and memory. The most threads seen, sampled every 100 ms.
"$(dirname "$tool")/write_torrents" "$work/hostile" >/dev/null
start=$(milliseconds)
/usr/bin/time -f %M -o peak.txt "$tool" scrape "$work/hostile/60k-trackers.torrent" > answers.txt &
most=0
while kill -0 $! 2>/dev/null; do
    now=$(ps -o nlwp= -C marrowpeek | sort -n | tail -n 1 | tr -d ' ')
    [ -n "$now" ] && [ "$now" -gt "$most" ] && most=$now
    sleep 0.1
done
end=$(milliseconds)
printf 'scrape, 60,000 trackers: %d ms (goal: within 10 s), at most %s threads, peak %.1f MB; %s not asked (time limit)\n' \
    "$((end - start))" "$most" "$(tail -n 1 peak.txt | awk '{ print $1 / 1024 }')" \
    "$(grep -c 'not asked: time limit' answers.txt || true)"
