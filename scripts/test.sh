#!/usr/bin/env bash
# Sets up, builds and runs every test through CTest.
#   test.sh              the normal build in build/
#   test.sh --sanitize   the same suite in an ASan+UBSan build in build-asan/
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
export QT_QPA_PLATFORM=offscreen
if [ "${1:-}" = "--sanitize" ]; then
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  "$root/scripts/build.sh" "$root/build-asan" -DKEST_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
  ctest --test-dir "$root/build-asan" --output-on-failure -j "$(nproc)"
else
  "$root/scripts/build.sh" "$root/build"
  ctest --test-dir "$root/build" --output-on-failure -j "$(nproc)"
fi
