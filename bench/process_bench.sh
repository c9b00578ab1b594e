#!/bin/sh
# Whole processes, as a user runs them, side by side in one run: `marrowpeek data` on the two
# large torrents against a floor (openssl hashing the whole file) and a peer (transmission-show),
# five runs each, medians, and the peak resident memory of each process.
# Usage: bench/process_bench.sh [BUILD_BIN]   (default: build/native/bin)
set -eu
bin=${1:-build/native/bin}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bin/write_torrents" "$work"
tool="$bin/marrowpeek"

. "$(dirname "$0")/measure.sh"
size() {
    awk -v b="$(wc -c < "$1")" 'BEGIN { printf "%.1f", b / 1e6 }'
}

report() {
    file=$work/$1
    ours=$(median "$tool data $file --config-dir $work/config")
    other=$(median "$3 $file")
    printf '%s (%s MB): marrowpeek data %s ms, %s %s ms; ' "$1" "$(size "$file")" "$ours" "$2" "$other"
    awk -v a="$ours" -v b="$other" -v kind="$4" 'BEGIN {
        if (kind == "floor") printf "%.2fx the floor\n", a / b; else printf "%.2fx faster\n", b / a }'
    printf '  peak resident memory: marrowpeek %s MB (%s x the file), %s %s MB\n' \
        "$(peak "$tool data $file --config-dir $work/config")" \
        "$(ratio "$(peak "$tool data $file --config-dir $work/config")" "$(size "$file")")" "$2" \
        "$(peak "$3 $file")"
}

report 60mb.torrent "openssl dgst -sha1" "openssl dgst -sha1" floor
report 200k-files.torrent transmission-show transmission-show peer
# Hostile inputs: 60,000 trackers (once 20 s), and a name of 6 MiB of control bytes, whose
# document must stay within ten times the file plus 64 MiB.
report 60k-trackers.torrent transmission-show transmission-show peer
printf 'control-name.torrent (%s MB): marrowpeek data %s ms, peak %s MB (bound %s MB)\n' \
    "$(size "$work/control-name.torrent")" \
    "$(median "$tool data $work/control-name.torrent --config-dir $work/config")" \
    "$(peak "$tool data $work/control-name.torrent --config-dir $work/config")" \
    "$(awk -v s="$(size "$work/control-name.torrent")" 'BEGIN { printf "%.1f", 10 * s + 67.1 }')"
