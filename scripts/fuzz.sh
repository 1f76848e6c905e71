#!/usr/bin/env bash
# Runs every fuzz target (or the ones named) for a while and keeps what it
# found: inputs that reach new code are merged into fuzz/corpus/<target>,
# crashes, leaks and timeouts are left in fuzz/ as crash-*, leak-*, timeout-*.
#   fuzz.sh [--seconds N] [--jobs J] [TARGET...]
# An input counts as hanging after 60 s: a picture at the decoders' size
# limits takes about a second optimised and over ten under the sanitizers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=600
jobs=1
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    -h|--help) sed -n '2,8p' "$0"; exit 0 ;;
    *) targets+=("$1"); shift ;;
  esac
done
if [ ${#targets[@]} -eq 0 ]; then
  for src in "$root"/fuzz/*_fuzz.cpp; do targets+=("$(basename "$src" .cpp)"); done
fi

"$root/scripts/setup.sh"
build="$root/build-fuzz"
cmake -S "$root" -B "$build" -G Ninja -Wno-dev -DKEST_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DKEST_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$root/fuzz"
run_one() {
  local target=$1 found="$work/$1"
  mkdir -p "$found" "$root/fuzz/corpus/$target"
  local status=0
  "$build/fuzz/$target" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
    "$found" "$root/fuzz/corpus/$target" >"$work/$target.log" 2>&1 || status=$?
  "$build/fuzz/$target" -merge=1 "$root/fuzz/corpus/$target" "$found" >>"$work/$target.log" 2>&1 || true
  local runs
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/$target.log" | grep -o '[0-9]*$' | tail -1)
  echo "$target: ${runs:-?} runs in ${seconds} s, exit $status, corpus $(ls "$root/fuzz/corpus/$target" | wc -l) files"
  [ $status -eq 0 ] || tail -40 "$work/$target.log"
}
running=0
for target in "${targets[@]}"; do
  run_one "$target" &
  running=$((running + 1))
  if [ $running -ge "$jobs" ]; then wait -n || true; running=$((running - 1)); fi
done
wait
