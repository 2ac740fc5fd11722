#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QOLT_BUILD:-$root/build}
bash "$root/scripts/build.sh" >/dev/null
"$root/scripts/wine-run" "$build/obj/bench/bench_foundation.exe"
