# What the benchmark scripts measure with; each sources it after making its scratch folder $work.

# Median wall time in milliseconds of five runs after one warm-up; empty when a run failed.
median() {
    rm -f "$work/t.csv"
    hyperfine -N --runs 5 --warmup 1 --style none --export-csv "$work/t.csv" "$1" >/dev/null 2>&1 || true
    if [ -f "$work/t.csv" ]; then awk -F, 'NR == 2 { printf "%.1f", $4 * 1000 }' "$work/t.csv"; fi
}
# Peak resident memory in MB of one run.
peak() {
    /usr/bin/time -f %M sh -c "$1 >/dev/null 2>&1" 2>&1 | tail -n 1 | awk '{ printf "%.1f", $1 / 1024 }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
