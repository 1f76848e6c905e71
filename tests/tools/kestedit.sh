#!/usr/bin/env bash
# Drives the kestedit program offscreen: usage errors, the station's plan
# opened and grabbed at two scales, and a broken file refused with its name.
# usage: kestedit.sh KESTDOC TEST_DATA_DIR (kestedit lies beside kestdoc)
set -u

kestedit=$(dirname "$1")/kestedit
plan=$2/../../resources/doravo.ksd
source "$(dirname "$0")/../support/checks.bash"
export QT_QPA_PLATFORM=offscreen

# run STATUS ARGS...: runs kestedit, keeps stderr in $work/err.
run() {
    local expected=$1
    shift
    timeout 60 "$kestedit" "$@" >"$work/out" 2>"$work/err"
    local status=$?
    [ "$status" -eq "$expected" ] || fail "kestedit $* exited $status, expected $expected: $(head -c 300 "$work/err")"
}

# png_size FILE: prints "WIDTH HEIGHT" from the PNG header.
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }'
}

[ -x "$kestedit" ] || { echo "FAIL: no program at $kestedit"; exit 1; }

run 0 --help
grep -q -- "--screenshot" "$work/out" || fail "--help does not describe --screenshot"
run 2 --scale 0 "$plan"
grep -q "scale" "$work/err" || fail "a bad scale is not named: $(cat "$work/err")"
run 2 --scale
run 2 --bogus
run 2 one.ksd two.ksd

for scale in 100 400; do
    out="$work/plan-$scale.png"
    run 0 "$plan" --scale "$scale" --screenshot "$out"
    if [ ! -s "$out" ]; then
        fail "no screenshot at $scale %"
        continue
    fi
    [ "$(head -c 8 "$out" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "$out is not a PNG"
    read -r width height <<<"$(png_size "$out")"
    [ "$width" -ge 640 ] && [ "$height" -ge 480 ] || fail "screenshot at $scale % is $width x $height"
done
cmp -s "$work/plan-100.png" "$work/plan-400.png" && fail "the scale changes nothing in the window"

printf 'not a document\n' >"$work/broken.ksd"
run 1 "$work/broken.ksd" --screenshot "$work/broken.png"
grep -qF "$work/broken.ksd" "$work/err" || fail "the load error does not name the file: $(cat "$work/err")"
[ -e "$work/broken.png" ] && fail "a screenshot was written for a document that did not load"

run 1 "$plan" --screenshot "$work/no/such/folder/out.png"

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "kestedit: all checks passed"
