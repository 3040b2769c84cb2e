#!/usr/bin/env bash
# Configures and builds one build tree: scripts/build.sh <dir> [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build/release}
shift || true
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B "$dir" -G "Unix Makefiles" "$@" >/dev/null
cmake --build "$dir" -j "$jobs" -- --no-print-directory >/dev/null
