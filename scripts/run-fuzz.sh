#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a short time on its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
CC=clang CXX=clang++ bash scripts/build.sh ${QRV_FUZZ_BUILD:-build/fuzz} -DCMAKE_BUILD_TYPE=Debug -DQRV_FUZZ=ON \
  -DQRV_WITH_UI=OFF -DQRV_WITH_BENCH=OFF
status=0
for target in ${QRV_FUZZ_BUILD:-build/fuzz}/bin/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="fuzz/corpus/${name#fuzz_}"
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/ 2>/dev/null || true
  echo "fuzzing $name for ${seconds}s"
  # The targets keep their scratch stores in TMPDIR; a folder per run leaves nothing behind.
  mkdir -p "$work.tmp"
  if ! TMPDIR="$work.tmp" "$target" -max_total_time="$seconds" -print_final_stats=0 "$work" >"$work.log" 2>&1; then
    tail -n 40 "$work.log"
    status=1
  fi
  rm -rf "$work" "$work.log" "$work.tmp"
done
exit $status
