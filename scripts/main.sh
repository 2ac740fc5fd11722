#!/usr/bin/env bash
# Builds everything and runs the program's main job.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QOLT_BUILD:-$root/build}
bash "$root/scripts/build.sh"
echo "Built:"
find "$build/obj" -maxdepth 3 -name '*.exe' -not -path '*/googletest/*' -printf '  %P  (%s bytes)\n' | sort
