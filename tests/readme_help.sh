#!/usr/bin/env bash
# The README shows each program's --help as the program prints it.
# usage: readme_help.sh README DORAVO KESTDOC KESTEDIT
set -u
readme=$1
shift
failures=0
for program in "$@"; do
    help=$(QT_QPA_PLATFORM=offscreen "$program" --help) || { echo "FAIL: $program --help failed"; failures=$((failures + 1)); continue; }
    python3 -c 'import sys; sys.exit(sys.argv[1] not in open(sys.argv[2]).read())' "$help" "$readme" \
        || { echo "FAIL: README does not show the --help of $(basename "$program")"; failures=$((failures + 1)); }
done
[ "$failures" -eq 0 ] && echo "README shows every program's --help"
exit "$failures"
