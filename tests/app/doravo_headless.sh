#!/usr/bin/env bash
# Runs the station headless over the checked-in plan and settings: the
# journal lines, doors opening and closing by the automatic close, the
# snapshot of the site plan at the plan's size, and the faults.
# usage: doravo_headless.sh DORAVO
set -u
doravo=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
unset DISPLAY WAYLAND_DISPLAY

"$doravo" --headless --seconds 300 --speed 0 --snapshot "$work/plan.png" >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 0 ] || fail "headless run exited $status: $(head -c 300 "$work/err")"
head -1 "$work/out" | grep -qP '^\d\d:\d\d:\d\d\t0\t0\tSystem online$' || fail "first line: $(head -1 "$work/out")"
bad=$(grep -cvP '^\d\d:\d\d:\d\d\t-?\d+\t\d+\t.+$' "$work/out")
[ "$bad" -eq 0 ] || fail "$bad lines not time, person, pass and text"
grep -qP '\t\d+\t\d+\tDoor \d+ opened by [A-Z]' "$work/out" || fail "no person opened a door"
grep -qP '^\S+\t-1\t\d+\tDoor \d+ closed by timeout$' "$work/out" || fail "no automatic close"
# Every door opened by a person is closed again by the timeout three to four seconds later.
opened=$(grep -cP 'opened by' "$work/out")
[ "$opened" -ge 20 ] || fail "only $opened openings in five minutes"
grep -q "can't find door" "$work/out" && fail "a walker found no door"

size=$(python3 -c '
import struct, sys
d = open(sys.argv[1], "rb").read()
assert d[:8] == b"\x89PNG\r\n\x1a\n"
print("%d %d" % struct.unpack(">II", d[16:24]))' "$work/plan.png" 2>/dev/null)
[ "$size" = "800 560" ] || fail "snapshot size '$size', expected the plan's 800 560"

# Faults: one line on stderr, exit 1 (or 2 for a bad option).
"$doravo" --headless --seconds 1 --plan "$work/none.ksd" >/dev/null 2>"$work/err"
[ $? -eq 1 ] && grep -q "none.ksd does not exist" "$work/err" && [ "$(wc -l <"$work/err")" -eq 1 ] \
    || fail "missing plan: $(cat "$work/err")"
echo "not a document" >"$work/bad.ksd"
"$doravo" --headless --seconds 1 --plan "$work/bad.ksd" >/dev/null 2>"$work/err"
[ $? -eq 1 ] && grep -q "bad.ksd" "$work/err" || fail "bad plan: $(cat "$work/err")"
printf '[Zones]\nCount=1\nItem0=x;0;Hall\n' >"$work/bad.ini"
"$doravo" --headless --seconds 1 --settings "$work/bad.ini" >/dev/null 2>"$work/err"
[ $? -eq 1 ] && grep -q "bad.ini" "$work/err" || fail "bad settings: $(cat "$work/err")"
"$doravo" --headless --speed fast >/dev/null 2>"$work/err"
[ $? -eq 2 ] || fail "bad option accepted"
"$doravo" --help | grep -q -- "--snapshot" || fail "--help does not document --snapshot"

[ "$failures" -eq 0 ] && echo "all headless checks passed"
exit "$failures"
