#!/usr/bin/env bash
# Runs the station headless over the checked-in plan and settings for ten
# emulated minutes: the journal lines, doors opening and closing by the
# automatic close, the snapshot of the site plan, and the faults.
# usage: doravo_headless.sh DORAVO KESTDOC
set -u
doravo=$1
kestdoc=$2
png_stats() { python3 "$(dirname "$0")/../support/png_stats.py" "$@"; }
source "$(dirname "$0")/../support/checks.bash"
unset DISPLAY WAYLAND_DISPLAY

"$doravo" --headless --seconds 600 --speed 0 --snapshot "$work/plan.png" >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 0 ] || fail "headless run exited $status: $(head -c 300 "$work/err")"
head -1 "$work/out" | grep -qP '^\d\d:\d\d:\d\d\t0\t0\tSystem online$' || fail "first line: $(head -1 "$work/out")"
bad=$(grep -cvP '^\d\d:\d\d:\d\d\t-?\d+\t\d+\t.+$' "$work/out")
[ "$bad" -eq 0 ] || fail "$bad lines not time, person, pass and text"
grep -qP '\t\d+\t\d+\tDoor \d+ opened by [A-Z]' "$work/out" || fail "no person opened a door"
grep -qP '^\S+\t-1\t\d+\tDoor \d+ closed by timeout$' "$work/out" || fail "no automatic close"
opened=$(grep -cP 'opened by' "$work/out")
[ "$opened" -ge 40 ] || fail "only $opened openings in ten minutes"
grep -q "can't find door" "$work/out" && fail "a walker found no door"
# Every door opened by a person is closed again by the timeout three to four
# seconds after its last opening, unless the run ended first.
python3 - "$work/out" "$(dirname "$0")/../../resources/doravo.ksd" <<'PY' || fail "doors left open or closed late"
import re, sys
# A door serves two passes, one per direction: which door each pass goes through.
door_of, doors, door = {}, 0, None
for line in open(sys.argv[2], encoding='utf-8'):
    line = line.strip()
    if line.startswith('object '):
        door = None
        if line.endswith(': TKestDoor'):
            doors += 1
            door = doors
    elif door and re.match(r'Pass[AB] = \d+$', line):
        door_of[int(line.split()[-1])] = door
events, day, last = [], 0, -1
for line in open(sys.argv[1]):
    clock, person, passid, text = line.rstrip('\n').split('\t')
    h, m, s = map(int, clock.split(':'))
    t = h * 3600 + m * 60 + s
    day += 86400 if t < last else 0
    last = t
    events.append((t + day, door_of.get(int(passid)), text))
end = events[-1][0]
opened = {}
for t, door, text in events:
    if re.match(r'Door \d+ opened by [A-Z]', text):
        opened[door] = t
    elif text.endswith('closed by timeout'):
        since = opened.pop(door, None)
        if since is None or not 3 <= t - since <= 5:
            sys.exit('door %s closed by timeout %s s after its opening' % (door, since is not None and t - since))
late = {d: t for d, t in opened.items() if end - t > 5}
if late:
    sys.exit('still open at the end: %s' % late)
PY

size=$(python3 -c '
import struct, sys
d = open(sys.argv[1], "rb").read()
assert d[:8] == b"\x89PNG\r\n\x1a\n"
print("%d %d" % struct.unpack(">II", d[16:24]))' "$work/plan.png" 2>/dev/null)
[ "$size" = "800 560" ] || fail "snapshot size '$size', expected the plan's 800 560"
# The snapshot shows the site plan: it has a drawing on it, and nearly all its
# pixels are those of the plan's main page (doors and lamps aside), far more
# than those of the control post's page.
read -r _ _ colours permille <<<"$(png_stats stats "$work/plan.png")"
[ "${colours:-0}" -ge 8 ] && [ "${permille:-0}" -ge 20 ] || fail "snapshot looks blank: $colours colours, $permille per mille not white"
plan=$(dirname "$0")/../../resources/doravo.ksd
if QT_QPA_PLATFORM=offscreen "$kestdoc" render "$plan" -o "$work/pages.png" --all >/dev/null; then
    main=$(png_stats same "$work/plan.png" "$work/pages-MainPlan.png")
    post=$(png_stats same "$work/plan.png" "$work/pages-ControlPost.png")
    [ "${main:-0}" -ge 900 ] && [ "$main" -gt $((${post:-0} + 200)) ] \
        || fail "snapshot is not the site plan: $main per mille like it, $post like the control post"
else
    fail "kestdoc could not render the plan"
fi

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
