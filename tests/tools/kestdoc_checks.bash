# Shared by the kestdoc test scripts (sourced, not a test of its own):
# running kestdoc with its status checked, and the verdict. Needs $kestdoc
# set before it is sourced.
source "$(dirname "${BASH_SOURCE[0]}")/../support/checks.bash"

# run STATUS ARGS...: runs kestdoc, keeps stdout/stderr in $work/out, $work/err.
run() {
    local expected=$1
    shift
    "$kestdoc" "$@" >"$work/out" 2>"$work/err"
    local status=$?
    if [ "$status" -ne "$expected" ]; then
        fail "kestdoc $* exited $status, expected $expected; stderr: $(head -c 300 "$work/err")"
        return 1
    fi
    return 0
}

# finish WHAT: the verdict and the exit status.
finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed"
        exit 1
    fi
    echo "all $1 checks passed"
}
