# Sourced by the avrel-render tests: expect_failure WHAT ARGS... runs the
# command in the array `command` with ARGS and counts a pass when it fails
# with a message on stderr (in $work/stderr), else reports WHAT.
expect_failure() {
    local what=$1
    shift
    if "${command[@]}" "$@" 2>"$work/stderr"; then
        echo "FAIL: $what succeeded"
        failed=$((failed + 1))
    elif [ ! -s "$work/stderr" ]; then
        echo "FAIL: $what printed no message"
        failed=$((failed + 1))
    else
        passed=$((passed + 1))
    fi
}
