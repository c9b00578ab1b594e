#!/bin/sh
# Asking trackers, against trackers of the test's own on 127.0.0.1: an HTTP one and a UDP one
# that answer for each hash of a hybrid (the figures being the largest over both), one that
# refuses the torrent, one that never answers, and addresses that are not asked.
# Usage: scrape_cli_test.sh [EMULATOR] TOOL
set -u
if [ $# -eq 2 ]; then emulator=$1; tool=$2; else emulator=; tool=$1; fi
python=/usr/bin/python3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
cd "$work" || exit 1
"$python" "$here/loopback_trackers.py" &
trackers=$!
trap 'kill $trackers 2>/dev/null; rm -rf "$work"' EXIT
for kind in answering refusing silent trickle hostile udp; do
    for _ in 1 2 3 4 5 6 7 8 9 10; do [ -s "$kind.port" ] && break; sleep 0.2; done
done
. "$here/shell_checks.sh"
local="http://127.0.0.1"
"$python" - "$local:$(cat answering.port)/announce" "udp://127.0.0.1:$(cat udp.port)/announce" \
    "$local:$(cat refusing.port)/announce" "$local:$(cat silent.port)/announce" \
    "$local:$(cat trickle.port)/announce" "$local:$(cat hostile.port)/announce" \
    "$local:$(cat answering.port)/x/announce?key=1" "$local:$(cat answering.port)/status" \
    "wss://tracker.example/announce" <<'PY'
import sys
def bencode(value):
    if isinstance(value, int): return b"i%de" % value
    if isinstance(value, str): value = value.encode()
    if isinstance(value, bytes): return b"%d:%s" % (len(value), value)
    if isinstance(value, list): return b"l" + b"".join(bencode(v) for v in value) + b"e"
    return b"d" + b"".join(bencode(k) + bencode(v) for k, v in sorted(value.items())) + b"e"
info = {"name": "h", "piece length": 16384, "length": 1, "pieces": b"p" * 20, "meta version": 2,
        "file tree": {"h": {"": {"length": 1, "pieces root": b"r" * 32}}}}
tiers = [sys.argv[1:3], sys.argv[3:7], sys.argv[7:]]
open("hybrid.torrent", "wb").write(bencode({"announce-list": tiers, "info": info}))
PY
s0=$(date +%s)
$emulator "$tool" scrape hybrid.torrent --json > out.json 2> err.txt
check "exit when one answered" "$?" 0
took=$(($(date +%s) - s0))
check "answers, in tier order" "$("$python" -c 'import json
d = json.load(open("out.json"))
print(" ".join("%d:%s:%s" % (t["tier"], t["status"], t.get("seeders", t.get("message", ""))) for t in d["trackers"]),
      d["seeders"], d["leechers"], d["completed"])')" \
    "0:ok:11 0:ok:11 1:error:torrent not registered 1:timeout: 1:timeout: 1:error:not $(printf '\033')]0;owned$(printf '\007') here 2:skipped:local address 2:unsupported: 2:unsupported: 11 7 1234"
# The run's 10 s, and a moment for the process (Wine's start takes one).
check "a trickling tracker is cut off at its time" "$([ "$took" -le 12 ] && echo yes)" yes
$emulator "$tool" scrape hybrid.torrent > out.txt 2> err.txt
check "text headline" "$(tr -d '\r' < out.txt | tail -n 1)" "11 seeders, 7 leechers, 1,234 completed"
check "no control character reaches the terminal" "$(grep -c "$(printf '\033')" out.txt)" 0
check "... but is shown" "$(grep -c 'error: not \\x1b\]0;owned\\x07 here' out.txt)" 1
printf 'd4:infod6:lengthi1e4:name1:a12:piece lengthi16384e6:pieces20:ppppppppppppppppppppee' > none.torrent
$emulator "$tool" scrape none.torrent --json > out.json 2> err.txt
check "no tracker" "$?:$(tr -d '\r' < out.json)" '1:{"trackers":[]}'
$emulator "$tool" scrape missing.torrent > out.json 2> err.txt
check "refused torrent" "$?" 2

checks_done
