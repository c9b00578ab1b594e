#!/bin/sh
# The developer tool as a program: exit codes, byte-exact standard output, one-line refusals and
# timing lines on standard error. Usage: tool_cli_test.sh [EMULATOR] TOOL
set -u
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -eq 2 ]; then emulator=$1; tool=$2; else emulator=; tool=$1; fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
. "$here/shell_checks.sh"
run() { env ${PERF:+MARROWPEEK_PERF=$PERF} $emulator "$tool" "$@"; }

printf 'd4:infod6:lengthi1000e4:name5:a.iso12:piece lengthi16384e6:pieces20:aaaaaaaaaaaaaaaaaaaaee' > a.torrent
: > empty.torrent
printf 'dear diary' > text.torrent

run data a.torrent > out.json 2> err.txt
check "valid file exits 0" "$?" 0
check "no trailing line feed" "$(tail -c 1 out.json | od -An -c | tr -d ' ')" "}"
check "document starts with ok" "$(head -c 26 out.json)" '{"ok":true,"name":"a.iso",'
check "nothing on stderr" "$(cat err.txt)" ""

run data a.torrent --flags 0x80 > /dev/null 2>&1
check "dark flag accepted" "$?" 0

for case in "missing.torrent:cannot be read" "empty.torrent:is empty" "text.torrent:is not a torrent"; do
    file=${case%%:*}
    reason=${case#*:}
    run data "$file" > out.txt 2> err.txt
    check "$file exits 1" "$?" 1
    check "$file message" "$(tr -d '\r' < err.txt)" "marrowpeek: $file $reason"
    check "$file prints nothing" "$(wc -c < out.txt | tr -d ' ')" 0
done

PERF=1 run data a.torrent > /dev/null 2> err.txt
check "timing lines on stderr" "$(grep -c '^\[Marrowpeek\] .*: [0-9]*\.[0-9][0-9][0-9] ms' err.txt)" 6

run > /dev/null 2>&1
check "no command is misuse" "$?" 2
for command in data magnet fields verify scrape documents config css preview sample; do
    run $command a.torrent --contnet x > /dev/null 2> err.txt
    check "$command names an unknown option" "$?:$(head -n 1 err.txt | tr -d '\r')" \
        "2:marrowpeek: unknown option --contnet"
done

# A setting that cannot be saved says so; the file keeps what it had.
mkdir big-config
head -c 4194304 /dev/zero | tr '\0' ';' > big-config/Marrowpeek.ini
run set fontsize 20 --config-dir big-config > /dev/null 2> err.txt
check "unsaved setting exits 1" "$?" 1
check "unsaved setting says so on one line" "$(wc -l < err.txt | tr -d ' ')" 1
check "unsaved setting leaves the file" "$(wc -c < big-config/Marrowpeek.ini | tr -d ' ')" 4194304

if [ -z "$emulator" ]; then
    # A FIFO in place of a file would block forever; each command must end at once.
    mkdir fifo-config
    mkfifo pipe.torrent fifo-config/Marrowpeek.ini fifo-config/themes.ini
    timeout 10 "$tool" data pipe.torrent > /dev/null 2> err.txt
    check "FIFO torrent refused" "$?:$(cat err.txt)" "1:marrowpeek: pipe.torrent cannot be read"
    for command in config css "set fontsize 20"; do
        # shellcheck disable=SC2086
        timeout 10 "$tool" $command --config-dir fifo-config > /dev/null 2>&1
        status=$?
        check "FIFO settings: $command ends" "$([ "$status" -ne 124 ] && echo ended)" ended
    done
    # A port that is taken is refused, never shared: two servers would answer in turn.
    "$tool" preview a.torrent --port 0 > first.txt 2>&1 &
    first=$!
    for _ in 1 2 3 4 5 6 7 8 9 10; do [ -s first.txt ] && break; sleep 0.2; done
    port=$(sed -n 's|.*http://127.0.0.1:\([0-9]*\)/.*|\1|p' first.txt | head -n 1)
    timeout 10 "$tool" preview a.torrent --port "$port" > /dev/null 2> err.txt
    check "a taken port is refused" "$?:$(cat err.txt)" \
        "1:marrowpeek: port $port is in use (or cannot be listened on)"
    kill "$first"; wait "$first" 2>/dev/null
    # The screenshot's file name never reaches a shell.
    if command -v chromium > /dev/null; then
        timeout 60 "$tool" preview a.torrent --port 0 --screenshot "a';touch injected;'b.png" \
            > /dev/null 2>&1
        check "screenshot name is no command" "$([ -e injected ] && echo ran)" ""
    fi
fi

echo "tool_cli: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
