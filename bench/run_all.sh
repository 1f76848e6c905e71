#!/usr/bin/env bash
# Runs every benchmark program of a build one after the other, so that all
# figures of a report come from one run on one machine. Each program's
# output goes to OUT_DIR/<program>.txt; a summary of the machine heads it.
#   run_all.sh [BUILD_DIR] [OUT_DIR] [-- extra benchmark flags]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=${2:-$root/build/bench-results}
shift 2 2>/dev/null || shift $#
[ "${1:-}" = "--" ] && shift
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen
{
  date -u
  uname -srm
  grep -m1 'model name' /proc/cpuinfo || true
  echo "cores: $(nproc)"
  git -C "$root" log -1 --format='commit %h %s' 2>/dev/null || true
} >"$out/machine.txt"
cat "$out/machine.txt"
for program in "$build"/bench/*_bench; do
  name=$(basename "$program")
  echo "== $name"
  start=$(date +%s)
  "$program" --benchmark_color=false "$@" >"$out/$name.txt" 2>&1 || echo "$name failed: see $out/$name.txt"
  echo "   $(( $(date +%s) - start )) s"
done
