#!/usr/bin/env bash
# Sets up what the machine lacks, then builds and runs every test: the normal build, the
# AddressSanitizer/UndefinedBehaviorSanitizer build, the format check and short fuzz runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
status=0

run_ctest() {
  local dir=$1
  # Window tests need a display; every suite runs under its own virtual one. -noreset: a server
  # that resets whenever its last client leaves drops a test's toolkit that connects meanwhile,
  # which happens between two tests of a parallel run.
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir "$dir" --output-on-failure -j "$jobs" || status=1
}

echo "== Build (RelWithDebInfo)"
bash scripts/build.sh build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_ctest build/release

echo "== Build (AddressSanitizer + UndefinedBehaviorSanitizer)"
bash scripts/build.sh build/asan -DCMAKE_BUILD_TYPE=Debug -DQRV_SANITIZE=ON -DQRV_WITH_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 run_ctest build/asan

echo "== Format check"
if ! bash scripts/check-format.sh; then status=1; fi

if [ -f fuzz/CMakeLists.txt ]; then
  echo "== Fuzz (short runs)"
  bash scripts/run-fuzz.sh "${QRV_FUZZ_SECONDS:-20}" || status=1
fi

exit $status
