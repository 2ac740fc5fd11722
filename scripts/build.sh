#!/usr/bin/env bash
# Sets the machine up (bootstrap.sh) and builds everything into build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QOLT_BUILD:-$root/build}
bash "$root/scripts/bootstrap.sh"
cmake -S "$root" -B "$build/obj" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/wine-run" -DQOLT_DEPS_PREFIX="$build/deps/prefix" >/dev/null
cmake --build "$build/obj"
