#!/usr/bin/env bash
# Builds everything and runs every test under Wine (windows under Xvfb).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QOLT_BUILD:-$root/build}
bash "$root/scripts/build.sh"
. "$root/scripts/wine-env.sh"
# One warm wine server for the whole run; ended whatever happens.
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -p
# Start the prefix's services now, with no terminal or pipe to inherit: ctest
# would otherwise wait for them to close its output pipe.
"$WINELOADER" wineboot </dev/null >/dev/null 2>&1
trap '"$WINESERVER" -k 2>/dev/null || true; "$WINESERVER" -w 2>/dev/null || true' EXIT
cd "$build/obj"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j 2 "$@"
