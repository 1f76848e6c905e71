#!/usr/bin/env bash
# Drives the document verbs of kestdoc: check and info on a document in the
# text and the binary form, and the faults of files that are no documents.
# usage: kestdoc_document.sh KESTDOC TEST_DATA_DIR
set -u

kestdoc=$1
plan=$2/document/plan.ksd
source "$(dirname "$0")/kestdoc_checks.bash"

expect_out() {
    diff -u <(printf '%s\n' "$@") "$work/out" >"$work/diff" || fail "unexpected output: $(cat "$work/diff")"
}

# The plan's own control kinds are the tests'; kestdoc skips them, and
# counts the groups and clones of the base.
run 0 check "$plan" && expect_out "$plan: ok (5 objects, 2 schemes, 3 layers)"
[ -s "$work/err" ] && fail "check wrote to stderr: $(cat "$work/err")"
run 0 info "$plan" && expect_out "document: Plan" "size: 400 x 300 pixels" "form: text" "schemes: 2" \
    "  Ground: 4 objects (default)" "  First: 1 object" "layers: 3" "  Walls" "  Doors (transparency 30)" "  Labels" \
    "classes: 2" "  TKestClone: 3" "  TKestGroup: 2"
# The tree: nested groups indented under their scheme, rectangles in document units.
run 0 dump "$plan" && grep -qx "    #13 Pair: TKestGroup (45000, 20000)-(65000, 55000)" "$work/out" \
    || fail "dump lacks the nested group: $(cat "$work/out")"
[ "$(grep -c ': TKestLayer ' "$work/out")" = 3 ] || fail "dump does not list the three layers"

# The same document in the binary form.
if run 0 convert "$plan" "$work/plan.ksd" --binary; then
    run 0 check "$work/plan.ksd" && expect_out "$work/plan.ksd: ok (5 objects, 2 schemes, 3 layers)"
    run 0 info "$work/plan.ksd" && grep -qx "form: binary" "$work/out" || fail "binary form not reported"
fi

# Faults: one line naming the file, status 1.
printf 'hello\r\nend\r\n' >"$work/bad.ksd"
run 1 check "$work/bad.ksd" && [ "$(cat "$work/err")" = "$work/bad.ksd: Data format error" ] \
    || fail "bad header: $(cat "$work/err")"
run 1 info "$work/missing.ksd" && grep -q "missing.ksd" "$work/err" || fail "missing file not named"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "more than one line on stderr: $(cat "$work/err")"
run 2 check
run 2 check "$plan" "$plan"

finish "kestdoc document"
