#!/usr/bin/env bash
# Assembles the sample product folder (payload and stand-in programs) and packs
# it with the setup data into QOLTSetup.exe.
set -euo pipefail
src=$1 out=$2 builder=$3 stub=$4 player=$5 elevator=$6 addons=$7 menu=$8
product=$out/product
rm -rf "$product"
mkdir -p "$product/System"
cp -r "$src/payload/." "$product/"
cp "$player" "$elevator" "$addons" "$product/"
cp "$menu" "$product/System/"
# The shipped setup carries no debug information (call stacks then name module and offset).
x86_64-w64-mingw32-strip --strip-debug -o "$out/Setup-stripped.exe" "$stub"
stub=$out/Setup-stripped.exe
w() { printf 'Z:%s' "${1//\//\\}"; }
"$(dirname "$0")/../scripts/wine-run" "$builder" build --stub "$(w "$stub")" --setup "$(w "$src/data")" \
  --product "$(w "$product")" --out "$(w "$out/QOLTSetup.exe")"
