#!/usr/bin/env bash
# Sets up, builds and runs the station. Without a display it runs headless:
# ten emulated minutes as fast as possible, the journal on standard output and
# a picture of the site plan at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    snapshot=$(mktemp --suffix=.png)
    "$root/build/app/doravo" --headless --seconds 600 --speed 0 --snapshot "$snapshot"
    echo "snapshot of the site plan: $snapshot"
else
    "$root/build/app/doravo"
fi
