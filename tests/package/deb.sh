#!/usr/bin/env bash
# Builds the Debian package with CPack into a scratch folder and reads it
# back: the computed dependencies, the files under /usr, stripped programs.
# usage: deb.sh CPACK BUILD_DIR
set -u
cpack=$1
build=$2
source "$(dirname "$0")/../support/checks.bash"

if ! (cd "$work" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/log" 2>&1); then
    echo "FAIL: cpack: $(tail -5 "$work/log")"
    exit 1
fi
deb=$(ls "$work"/out/*.deb 2>/dev/null)
[ "$(echo "$deb" | wc -w)" -eq 1 ] || { echo "FAIL: not one package: $(ls "$work/out")"; exit 1; }

dpkg-deb -I "$deb" >"$work/info"
grep -qx ' Package: doravo' "$work/info" || fail "package name: $(grep Package "$work/info")"
depends=$(grep '^ Depends:' "$work/info")
# Computed from the programs' libraries, not listed by hand.
for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 libjpeg62-turbo; do
    echo "${depends#*: }" | tr ',' '\n' | awk '{ print $1 }' | grep -qxF "$library" || fail "Depends lacks $library: $depends"
done

dpkg-deb -c "$deb" | awk '{ print $6 }' >"$work/contents"
for path in ./usr/bin/doravo ./usr/bin/kestdoc ./usr/bin/kestedit ./usr/share/doravo/doravo.ksd \
    ./usr/share/doravo/doravo.ini ./usr/share/applications/doravo.desktop ./usr/share/icons/hicolor/64x64/apps/doravo.png; do
    grep -qxF "$path" "$work/contents" || fail "the package lacks $path"
done
dpkg-deb -x "$deb" "$work/root"
file "$work/root/usr/bin/doravo" | grep -q ', stripped' || fail "doravo is not stripped: $(file "$work/root/usr/bin/doravo")"
"$work/root/usr/bin/doravo" --headless --seconds 5 --speed 0 >/dev/null 2>"$work/err" \
    || fail "the packaged station does not run: $(cat "$work/err")"

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all package checks passed: $(basename "$deb")"
