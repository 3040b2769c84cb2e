#!/usr/bin/env bash
# Sets up what the machine lacks, builds Quorvel, installs it into the machine root (registry
# entries, INI tables, the demo profile with its duplicates) and starts the program.
# Extra arguments are passed to the program (for example a .qrv document to open).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQRV_WITH_BENCH=OFF
bin=build/release/bin

# The install step writes what an installer would; the store tool makes the demo profile once.
"$bin/qrvinstall"
"$bin/qrvstore" demo

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting Quorvel on a virtual display (Xvfb)." >&2
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$bin/quorvel" "$@"
fi
exec "$bin/quorvel" "$@"
