#!/usr/bin/env bash
# Builds everything, then installs the sample QOLT release silently into the
# private Wine prefix and shows where it went.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QOLT_BUILD:-$root/build}
bash "$root/scripts/build.sh"
. "$root/scripts/wine-env.sh"
setup=$build/obj/sample/QOLTSetup.exe
dest="$WINEPREFIX/drive_c/Program Files/QOLT"
echo "Running: QOLTSetup.exe /AUTO /SILENT ($(stat -c %s "$setup") bytes)"
start=$(date +%s.%N)
"$WINELOADER" "$setup" /AUTO /SILENT
"$WINESERVER" -w
end=$(date +%s.%N)
echo "Finished in $(awk -v s="$start" -v e="$end" 'BEGIN{printf "%.1f", e - s}') s."
echo
echo "Installed into C:\\Program Files\\QOLT ($dest):"
(cd "$dest" && find . -type f | sed 's|^\./|  |' | sort)
echo
echo "Uninstall entry:"
"$WINELOADER" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QOLT' | tr -d '\r' | sed -n 's/^    /  /p'
