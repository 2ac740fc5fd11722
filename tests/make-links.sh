#!/usr/bin/env bash
# Fixture: C:\qolt-links\tree holds own.txt and "link", a link to the folder
# C:\qolt-links\outside that holds precious.txt.
set -euo pipefail
. "$(dirname "$0")/../scripts/wine-env.sh"
root=$WINEPREFIX/drive_c/qolt-links
rm -rf "$root"
mkdir -p "$root/tree" "$root/outside"
echo own >"$root/tree/own.txt"
echo keep >"$root/outside/precious.txt"
ln -s ../outside "$root/tree/link"
