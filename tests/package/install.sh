#!/usr/bin/env bash
# Installs the build into a scratch prefix and runs the programs from there:
# exactly the expected files in their places, and the installed station
# finding the installed plan and settings by itself.
# usage: install.sh CMAKE BUILD_DIR
set -u
cmake=$1
build=$2
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
source "$(dirname "$0")/../support/checks.bash"
prefix=$work/prefix
unset DISPLAY WAYLAND_DISPLAY

if ! "$cmake" --install "$build" --prefix "$prefix" >"$work/log" 2>&1; then
    echo "FAIL: cmake --install: $(tail -5 "$work/log")"
    exit 1
fi

expected="bin/doravo
bin/kestdoc
bin/kestedit
share/applications/doravo.desktop
share/doravo/doravo.ini
share/doravo/doravo.ksd
share/icons/hicolor/64x64/apps/doravo.png"
installed=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
[ "$installed" = "$expected" ] || fail "installed files: $(diff <(echo "$expected") <(echo "$installed"))"
for program in doravo kestdoc kestedit; do
    [ -x "$prefix/bin/$program" ] || fail "$program is not executable"
    "$prefix/bin/$program" --help >"$work/help" 2>&1 || fail "$program --help failed"
    grep -q "usage: $program" "$work/help" || fail "$program --help: $(head -2 "$work/help")"
done
for file in doravo.ksd doravo.ini; do
    cmp -s "$source_dir/resources/$file" "$prefix/share/doravo/$file" || fail "$file is not the bundled one"
done
desktop=$prefix/share/applications/doravo.desktop
for line in '[Desktop Entry]' 'Type=Application' 'Exec=doravo' 'Icon=doravo'; do
    grep -qxF "$line" "$desktop" || fail "doravo.desktop lacks $line"
done
icon=$(python3 "$source_dir/tests/support/png_stats.py" stats "$prefix/share/icons/hicolor/64x64/apps/doravo.png")
[ "${icon%% *}" = 64 ] && [ "$(echo "$icon" | cut -d' ' -f2)" = 64 ] || fail "icon is not 64 x 64: $icon"

# The installed station runs from anywhere with the installed plan and settings.
cd "$work"
if "$prefix/bin/doravo" --headless --seconds 60 --speed 0 --snapshot "$work/plan.png" >"$work/out" 2>"$work/err"; then
    head -1 "$work/out" | grep -qP '\tSystem online$' || fail "installed station: first line $(head -1 "$work/out")"
    grep -qP '\tDoor \d+ opened by [A-Z]' "$work/out" || fail "installed station: no door opened in a minute"
    [ -s "$work/plan.png" ] || fail "installed station wrote no snapshot"
else
    fail "installed station exited $?: $(head -c 300 "$work/err")"
fi
# It reads the installed files, not the source tree's: a broken one is named.
data=$prefix/share/doravo
cp "$data/doravo.ini" "$work/saved.ini"
printf '[Zones]\nCount=1\nItem0=x;0;Hall\n' >"$data/doravo.ini"
"$prefix/bin/doravo" --headless --seconds 1 >/dev/null 2>"$work/err"
[ $? -eq 1 ] && grep -qF "$data/doravo.ini" "$work/err" || fail "installed settings not used: $(cat "$work/err")"
cp "$work/saved.ini" "$data/doravo.ini"
echo "not a document" >"$data/doravo.ksd"
"$prefix/bin/doravo" --headless --seconds 1 >/dev/null 2>"$work/err"
[ $? -eq 1 ] && grep -qF "$data/doravo.ksd" "$work/err" || fail "installed plan not used: $(cat "$work/err")"
# Settings next to the program come first, as the station always had them.
cp "$work/saved.ini" "$prefix/bin/doravo.ini"
cp "$source_dir/resources/doravo.ksd" "$prefix/bin/doravo.ksd"
"$prefix/bin/doravo" --headless --seconds 1 >/dev/null 2>"$work/err" || fail "files beside the program not used: $(cat "$work/err")"

# The installed editor and document tool work on the installed plan.
cp "$source_dir/resources/doravo.ksd" "$data/doravo.ksd"
QT_QPA_PLATFORM=offscreen "$prefix/bin/kestdoc" check "$data/doravo.ksd" >"$work/out" 2>&1 \
    && grep -q ": ok (" "$work/out" || fail "installed kestdoc: $(cat "$work/out")"
QT_QPA_PLATFORM=offscreen timeout 60 "$prefix/bin/kestedit" "$data/doravo.ksd" --screenshot "$work/edit.png" >/dev/null 2>&1 \
    && [ -s "$work/edit.png" ] || fail "installed kestedit did not show the plan"

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all install checks passed"
