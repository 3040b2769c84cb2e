#!/usr/bin/env bash
# Sets up what the machine lacks, builds Quorvel and its tools (not the tests), installs it into the
# machine root (registry entries, INI tables, the demo profile with its duplicates and a document
# set up for it) and starts the program.
# Extra arguments are passed to the program (for example a .qrv document to open); without any,
# the program opens the demo document.
# QRV_JOBS=<n> limits the build to n parallel jobs (default: one per processor).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

dir=build/release
jobs=${QRV_JOBS:-$(nproc 2>/dev/null || echo 2)}
echo "Building Quorvel in $dir with $jobs parallel jobs (QRV_JOBS=<n> to change)." >&2
cmake -S . -B "$dir" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQRV_WITH_BENCH=OFF >/dev/null
# The program with its data files (default property files, INI tables, language files, help book)
# and the tools this script runs.
cmake --build "$dir" -j "$jobs" --target quorvel qrv_data qrv_helpbook qrvinstall qrvstore qrvdemodoc \
  -- --no-print-directory >/dev/null
bin=$dir/bin

# The install step writes what an installer would; the store tool makes the demo profile once, and
# the demo document (one configuration per item type on the demo profile's folders) is written once.
"$bin/qrvinstall"
"$bin/qrvstore" demo
"$bin/qrvdemodoc"
if [ $# -eq 0 ]; then
  root=${QUORVEL_ROOT:-${XDG_DATA_HOME:-$HOME/.local/share}/quorvel}
  set -- "$root/Quorvel Demo.qrv"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting Quorvel on a virtual display (Xvfb)." >&2
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$bin/quorvel" "$@"
fi
exec "$bin/quorvel" "$@"
