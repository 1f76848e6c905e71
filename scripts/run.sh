#!/usr/bin/env bash
# Sets up, builds and runs the station. Until the station's windows exist this
# shows the bundled sample document through kestdoc.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
"$root/build/tools/kestdoc" lines "$root/resources/sample.ksd"
