#!/usr/bin/env bash
# Drives kestdoc over the station's own plan, as a user would: check and info
# agree with what the file's text holds, the binary form converts back to
# the very same text, and every page renders to a picture of its own.
# usage: kestdoc_plan.sh KESTDOC TEST_DATA_DIR
set -u

kestdoc=$1
plan=$(cd "$2/../../resources" && pwd)/doravo.ksd
png_stats() { python3 "$(dirname "$0")/../support/png_stats.py" "$@"; }
source "$(dirname "$0")/kestdoc_checks.bash"
export QT_QPA_PLATFORM=offscreen

# What the text says, read without kestdoc. The station's doors are its own
# class, which kestdoc does not know and skips.
classes() { grep -oP '^\s*object .*: \K\w+(?=\r?$)' "$plan"; }
schemes=$(grep -oP '^\s*object \K.*(?=: TKestScheme\r?$)' "$plan")
scheme_count=$(echo "$schemes" | wc -l)
layer_count=$(classes | grep -cx TKestLayer)
object_count=$(classes | grep -cvxE 'TKestLayer|TKestScheme|TKestDoor')
width=$(grep -m1 -oP '^\s*Width = \K\d+' "$plan")
height=$(grep -m1 -oP '^\s*Height = \K\d+' "$plan")
[ "$scheme_count" -ge 10 ] && [ "$object_count" -ge 1000 ] || fail "the plan's text lists only $scheme_count schemes, $object_count objects"

run 0 check "$plan" && [ "$(cat "$work/out")" = "$plan: ok ($object_count objects, $scheme_count schemes, $layer_count layers)" ] \
    || fail "check: $(cat "$work/out")"
if run 0 info "$plan"; then
    grep -qx "size: $((width / 1000)) x $((height / 1000)) pixels" "$work/out" || fail "info: size: $(grep size "$work/out")"
    grep -qx "form: text" "$work/out" || fail "info: not the text form"
    diff <(echo "$schemes") <(sed -n '/^schemes:/,/^layers:/p' "$work/out" | grep -oP '^  \K[^:]+(?=: \d+ objects?)') \
        >"$work/diff" || fail "info lists other schemes: $(cat "$work/diff")"
    diff <(classes | grep -vxE 'TKestLayer|TKestScheme|TKestDoor' | sort | uniq -c | awk '{ print "  " $2 ": " $1 }') \
        <(sed -n '/^classes:/,$p' "$work/out" | tail -n +2) >"$work/diff" || fail "info counts other classes: $(cat "$work/diff")"
fi

# Text -> binary -> text gives back the file byte for byte.
if run 0 convert "$plan" "$work/plan.bin" --binary; then
    printf 'kestbinary\r\n' | cmp -s -n 12 - "$work/plan.bin" || fail "binary output lacks the signature"
    [ "$(stat -c %s "$work/plan.bin")" -lt "$(stat -c %s "$plan")" ] || fail "the binary form is not smaller"
    run 0 check "$work/plan.bin" && grep -q ": ok ($object_count objects, $scheme_count schemes" "$work/out" \
        || fail "check of the binary form: $(cat "$work/out")"
    run 0 info "$work/plan.bin" && grep -qx "form: binary" "$work/out" || fail "info: binary form not reported"
    run 0 convert "$work/plan.bin" "$work/plan.ksd" --text \
        && { cmp "$plan" "$work/plan.ksd" >"$work/diff" || fail "binary -> text differs from the original: $(cat "$work/diff")"; }
fi

# Every page at 100 %: one picture each, of the document's size, with a
# drawing on it, and no two alike.
mkdir "$work/pages"
if run 0 render "$plan" -o "$work/pages/plan.png" --all; then
    [ "$(ls "$work/pages" | wc -l)" -eq "$scheme_count" ] || fail "render --all wrote: $(ls "$work/pages")"
    while read -r scheme; do
        page="$work/pages/plan-$scheme.png"
        [ -s "$page" ] || { fail "no picture of $scheme"; continue; }
        read -r w h colours permille <<<"$(png_stats stats "$page")"
        [ "$w x $h" = "$((width / 1000)) x $((height / 1000))" ] || fail "$scheme: $w x $h pixels"
        [ "${colours:-0}" -ge 8 ] && [ "${permille:-0}" -ge 20 ] \
            || fail "$scheme looks blank: $colours colours, $permille per mille not white"
    done <<<"$schemes"
    duplicates=$(md5sum "$work"/pages/*.png | awk '{ print $1 }' | sort | uniq -d | wc -l)
    [ "$duplicates" -eq 0 ] || fail "$duplicates pictures appear twice"
fi

finish "kestdoc plan"
