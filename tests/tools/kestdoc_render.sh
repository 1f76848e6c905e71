#!/usr/bin/env bash
# Drives kestdoc render: image sizes at several scales, the scheme chosen,
# one file per scheme with --all, SVG and PDF output, and the faults.
# usage: kestdoc_render.sh KESTDOC TEST_DATA_DIR
set -u

kestdoc=$1
pages=$2/render/pages.ksd # 123.456 x 80.25 pixels; Ground red, Roof/Top blue, Cellar plain
plan=$2/document/plan.ksd
source "$(dirname "$0")/kestdoc_checks.bash"

# png_probe FILE: prints "WIDTH HEIGHT RRGGBB" with the colour of the centre pixel.
png_probe() { python3 "$(dirname "$0")/../support/png_stats.py" probe "$1"; }

expect_png() { # FILE "WIDTH HEIGHT RRGGBB"
    local got
    got=$(png_probe "$1" 2>&1) || { fail "$1: $got"; return; }
    [ "$got" = "$2" ] || fail "$1: got $got, expected $2"
}

# Pixels of a length at a scale, rounded to nearest: units x scale / 100000.
pixels() { echo $((($1 * $2 + 50000) / 100000)); }

# The first scheme, at 100 % and at scales that round up and down.
run 0 render "$pages" -o "$work/a.png" && expect_png "$work/a.png" "$(pixels 123456 100) $(pixels 80250 100) ff0000"
[ -s "$work/err" ] && fail "render wrote to stderr: $(cat "$work/err")"
for scale in 250 33 1000; do
    run 0 render "$pages" -o "$work/s$scale.png" --scale $scale \
        && expect_png "$work/s$scale.png" "$(pixels 123456 $scale) $(pixels 80250 $scale) ff0000"
done
run 0 render "$pages" -o "$work/roof.png" --scheme "Roof/Top" && expect_png "$work/roof.png" "123 80 0000ff"
run 0 render "$pages" -o "$work/cellar.png" --scheme Cellar && expect_png "$work/cellar.png" "123 80 ffffff"

# --all: one image per scheme, named after it, a path separator made safe.
mkdir "$work/all"
if run 0 render "$pages" -o "$work/all/p.png" --all --scale 250; then
    [ "$(ls "$work/all" | wc -l)" -eq 3 ] || fail "--all wrote: $(ls "$work/all")"
    expect_png "$work/all/p-Ground.png" "309 201 ff0000"
    expect_png "$work/all/p-Roof_Top.png" "309 201 0000ff"
    expect_png "$work/all/p-Cellar.png" "309 201 ffffff"
fi

# The text and the binary form of one document paint the same image.
if run 0 convert "$plan" "$work/plan.ksd" --binary; then
    run 0 render "$plan" -o "$work/text.png" --scale 150
    run 0 render "$work/plan.ksd" -o "$work/binary.png" --scale 150
    cmp -s "$work/text.png" "$work/binary.png" || fail "text and binary forms render differently"
    expect_png "$work/text.png" "600 450 ffffff"
fi

# SVG: well-formed, of the document's size, with the scheme's fill.
if run 0 render "$pages" -o "$work/roof.svg" --scheme "Roof/Top" --scale 200; then
    python3 - "$work/roof.svg" <<'EOF' || fail "roof.svg: not the expected SVG"
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
assert root.tag == '{http://www.w3.org/2000/svg}svg', root.tag
assert root.get('viewBox') == '0 0 247 161', root.get('viewBox')
fills = {e.get('fill') for e in root.iter() if e.get('fill')}
assert '#0000ff' in fills, fills
EOF
fi

# PDF: one page, or one page per scheme with --all.
count_pages() { grep -a -c '/Type /Page\b' "$1"; }
if run 0 render "$pages" -o "$work/one.pdf"; then
    head -c 5 "$work/one.pdf" | grep -q '^%PDF-' || fail "one.pdf has no PDF header"
    tail -c 8 "$work/one.pdf" | grep -aq '%%EOF' || fail "one.pdf has no end marker"
    [ "$(count_pages "$work/one.pdf")" -eq 1 ] || fail "one.pdf: $(count_pages "$work/one.pdf") pages"
fi
run 0 render "$pages" -o "$work/all.pdf" --all \
    && { [ "$(count_pages "$work/all.pdf")" -eq 3 ] || fail "all.pdf: $(count_pages "$work/all.pdf") pages"; }

# Faults: one line naming the input, status 1, an earlier output left alone.
cp "$work/a.png" "$work/keep.png"
expect_fault() { # MESSAGE-PATTERN ARGS...
    local pattern=$1
    shift
    run 1 render "$@" || return
    [ "$(wc -l <"$work/err")" -eq 1 ] || fail "render $*: not one line: $(cat "$work/err")"
    grep -q "$pattern" "$work/err" || fail "render $*: unexpected message $(cat "$work/err")"
}
expect_fault "^$pages: no scheme named \"Nope\"$" "$pages" -o "$work/keep.png" --scheme Nope
for scale in 0 -5 abc 250x 50001 99999999999 ""; do
    expect_fault "^$pages: bad scale \"$scale\"" "$pages" -o "$work/keep.png" --scale "$scale"
done
expect_fault "^$pages: .* too large" "$pages" -o "$work/keep.png" --scale 50000
cmp -s "$work/a.png" "$work/keep.png" || fail "a failed render replaced the output"
for format in png svg pdf; do
    expect_fault "$work/missing/x.$format" "$pages" -o "$work/missing/x.$format"
done
expect_fault "missing.ksd" "$work/missing.ksd" -o "$work/x.png"
[ -e "$work/x.png" ] && fail "a missing input left an output"

# Usage errors: status 2.
run 2 render "$pages"
run 2 render "$pages" -o "$work/x.bmp"
run 2 render "$pages" -o "$work/x.png" --all --scheme Ground
run 2 render "$pages" -o "$work/x.png" --scale
run 2 render "$pages" "$pages" -o "$work/x.png"

finish "kestdoc render"
