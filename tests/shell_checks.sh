# The checks of the command-line tests: `check NAME ACTUAL EXPECTED` counts or reports one, and
# `checks_done` prints the count and fails when any check did. Sourced by each test script.
failures=0
passes=0
check() {
    if [ "$2" = "$3" ]; then
        passes=$((passes + 1))
    else
        echo "FAILED: $1"; echo "  expected: $3"; echo "  actual:   $2"
        failures=$((failures + 1))
    fi
}
checks_done() {
    echo "$passes passed, $failures failed"
    [ "$failures" -eq 0 ]
}
