#!/usr/bin/env bash
# Drives the kestdoc tool: usage errors, reading lines (text, binary blocks,
# hostile files), converting both ways, and output files written atomically.
# usage: kestdoc.sh KESTDOC TEST_DATA_DIR
set -u

kestdoc=$1
data=$2/filer
sample=$2/../../resources/sample.ksd
source "$(dirname "$0")/kestdoc_checks.bash"

# One line on stderr that contains every given text.
expect_error_line() {
    local lines
    lines=$(wc -l <"$work/err")
    [ "$lines" -eq 1 ] || fail "expected one line on stderr, got $lines: $(cat "$work/err")"
    for text in "$@"; do
        grep -qF -- "$text" "$work/err" || fail "stderr lacks \"$text\": $(cat "$work/err")"
    done
}

strip_indent() { sed -e 's/^ *//' | tr -d '\r'; }

# --- usage
run 0 --help && grep -q "convert IN OUT" "$work/out" || fail "--help does not list convert"
run 0 lines --help && grep -q "kestdoc lines FILE" "$work/out" || fail "lines --help"
run 2
run 2 frobnicate && grep -q "unknown verb" "$work/err" || fail "unknown verb not named"
run 2 lines
run 2 lines a b
run 2 lines --fast "$sample"
run 2 convert "$sample" "$work/x"
run 2 convert "$sample" "$work/x" --binary --text
[ -e "$work/x" ] && fail "usage error created the output"

# --- lines: text, and a file mixing line breaks, a binary block and a last
# line without terminator
if run 0 lines "$sample"; then
    strip_indent <"$sample" | diff -u - "$work/out" >"$work/diff" || fail "lines of the sample differ: $(head -20 "$work/diff")"
fi
if run 0 lines "$data/mixed.ksd"; then
    diff -u "$data/mixed.lines" "$work/out" >"$work/diff" || fail "lines of mixed.ksd differ: $(cat "$work/diff")"
fi

# --- unreadable and hostile input: exit 1, one line naming file and fault
run 1 lines "$work/missing.ksd" && expect_error_line "$work/missing.ksd" "No such file or directory"
run 1 lines "$work" && expect_error_line "$work" "Is a directory"
for name in hostile-4gb hostile-keylen hostile-count; do
    run 1 lines "$data/$name.ksd" && expect_error_line "$data/$name.ksd" "Stream read error" "(at byte "
done
run 1 lines "$data/hostile-4gb.ksd" && expect_error_line "(at byte 20)"

# --- convert: text -> binary -> text -> binary is stable
if run 0 convert "$sample" "$work/one.bin" --binary; then
    printf 'kestbinary\r\n' | cmp -s -n 12 - "$work/one.bin" || fail "binary output lacks the signature"
    run 0 lines "$work/one.bin" && cp "$work/out" "$work/one.lines"
    # The same lines as the text, apart from hex data read back byte by byte.
    strip_indent <"$sample" | tr -d '\r' >"$work/sample.lines"
    [ "$(grep -c . "$work/one.lines")" -gt "$(grep -c . "$work/sample.lines")" ] || fail "hex data not split"
    grep -q "^object Box1: TKestBox$" "$work/one.lines" || fail "object line lost in the binary form"
    grep -q "^Hint = 'Main entrance, gate 1'$" "$work/one.lines" || fail "quoted value lost in the binary form"
fi
if run 0 convert "$work/one.bin" "$work/two.ksd" --text; then
    grep -q kestbinary "$work/two.ksd" && fail "text output still holds a signature line"
    # Laid out again as the panel writes it: indented, hex data in lines of 32 bytes.
    cmp -s "$sample" "$work/two.ksd" || fail "binary -> text is not the original text: $(diff "$sample" "$work/two.ksd" | head -20)"
fi
if run 0 convert "$work/two.ksd" "$work/three.bin" --binary; then
    cmp -s "$work/one.bin" "$work/three.bin" || fail "text -> binary -> text -> binary is not byte-identical"
fi
# The text form is indented by nesting, string lists and hex data included.
run 0 convert --text "$data/mixed.ksd" "$work/mixed.txt" &&
    { diff -u "$data/mixed.text.ksd" "$work/mixed.txt" >"$work/diff" || fail "mixed.ksd to text: $(cat "$work/diff")"; }

# --- failures leave the output as it was, and no temporary files
echo "previous content" >"$work/keep.ksd"
run 1 convert "$data/hostile-count.ksd" "$work/keep.ksd" --binary && expect_error_line "hostile-count.ksd"
[ "$(cat "$work/keep.ksd")" = "previous content" ] || fail "failed convert replaced the output"
run 1 convert "$data/unencodable.ksd" "$work/new.bin" --binary && expect_error_line "Stream write error" "line 3"
[ -e "$work/new.bin" ] && fail "failed convert left an output file"
run 1 convert "$sample" "$work/no/such/folder/out.ksd" --text && expect_error_line "$work/no/such/folder/out.ksd"
leftovers=$(find "$work" -name '*.ksd.*' -o -name '*.bin.*' | wc -l)
[ "$leftovers" -eq 0 ] || fail "temporary files left behind: $(find "$work" -name '*.*.*')"

# Converting a file onto itself works, since the output is written aside first.
cp "$data/mixed.ksd" "$work/self.ksd"
run 0 convert "$work/self.ksd" "$work/self.ksd" --text &&
    { cmp -s "$data/mixed.text.ksd" "$work/self.ksd" || fail "converting a file onto itself"; }

finish "kestdoc"
