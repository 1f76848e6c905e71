# Shared by the shell tests (sourced, not a test of its own): a scratch
# folder removed on exit, and fail, which reports a check and counts it in
# $failures for the script's verdict.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
