#!/usr/bin/env bash
# Silent install of the same ~150 MB payload by a peer installer (an NSIS build,
# solid LZMA, amd64) and by a QOLT setup, alternating, under Wine. Reports the
# ratios of wall time, setup size and peak memory, and our distance from the
# floor (xz -d of the payload plus copying the files).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QOLT_BUILD:-$root/build}
for p in nsis time; do dpkg-query -W -f='${Status}' $p 2>/dev/null | grep -q 'install ok' ||
  { apt-get install -y -q $p >/dev/null || sudo apt-get install -y -q $p >/dev/null; }; done
bash "$root/scripts/build.sh" >/dev/null
. "$root/scripts/wine-env.sh"
work=$build/bench/peer
payload=$work/payload
if [ ! -f "$work/.payload-v1" ]; then
  rm -rf "$work"; mkdir -p "$payload"
  for i in $(seq 1 120); do mkdir -p "$payload/text/d$((i % 12))"
    seq $((i * 7000)) $((i * 7000 + 9000)) | sed 's/$/ QOLT plays music and video files well/' >"$payload/text/d$((i % 12))/t$i.txt"; done
  mkdir -p "$payload/bin"; total=0
  find /usr/lib/x86_64-linux-gnu -maxdepth 1 -type f -name '*.so*' -size +100k -size -4M | sort | while read -r f; do
    [ "$total" -lt $((60 << 20)) ] || break; cp "$f" "$payload/bin/"; total=$((total + $(stat -c %s "$f"))); done
  mkdir -p "$payload/media"
  for i in $(seq 1 40); do head -c $((1 << 20)) /dev/urandom >"$payload/media/m$i.bin"; done
  touch "$work/.payload-v1"
fi
echo "payload: $(du -sb "$payload" | cut -f1) bytes in $(find "$payload" -type f | wc -l) files"
w() { printf 'Z:%s' "${1//\//\\}"; }

# The peer installer.
cat >"$work/peer.nsi" <<NSI
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
Name "Peer"
OutFile "$work/peer.exe"
InstallDir "C:\\bench\\peer"
Section
  SetOutPath "\$INSTDIR"
  File /r "$payload/*"
SectionEnd
NSI
[ "$work/peer.exe" -nt "$work/.payload-v1" ] || makensis -V1 "$work/peer.nsi" >/dev/null

# The QOLT setup of the same files.
mkdir -p "$work/setup"
cp "$root/sample/data/"*.lng "$work/setup/"
{ printf '<install><product><Settings><S name="ProductName" value="Bench"/></Settings><Components>\n'
  (cd "$payload" && find . -type f | sed 's|^\./||' | sort) | while read -r f; do w2=${f//\//\\}
    printf '<File name="$DEST\\%s">%s</File>\n' "$w2" "$w2"; done
  printf '</Components></product></install>\n'; } >"$work/setup/Install.xml"
x86_64-w64-mingw32-strip --strip-debug -o "$work/stub.exe" "$build/obj/setup/Setup.exe"
if [ ! "$work/qolt.exe" -nt "$work/.payload-v1" ] || [ "$build/obj/setup/Setup.exe" -nt "$work/qolt.exe" ]; then
  "$root/scripts/wine-run" "$build/obj/tools/setup-builder/SetupBuilder.exe" build --stub "$(w "$work/stub.exe")" \
    --setup "$(w "$work/setup")" --product "$(w "$payload")" --out "$(w "$work/qolt.exe")" >/dev/null
fi

dest=$WINEPREFIX/drive_c/bench
run() { # label command...: wall seconds and peak KiB
  rm -rf "$dest"; sync
  local s e; s=$(date +%s.%N)
  /usr/bin/time -f '%M' -o "$work/mem.txt" "$@" >/dev/null 2>&1
  "$WINESERVER" -w; e=$(date +%s.%N)
  echo "$(awk -v s="$s" -v e="$e" 'BEGIN{print e - s}') $(cat "$work/mem.txt")"
}
"$WINESERVER" -p 2>/dev/null || true
best_peer=999 best_qolt=999 mem_peer=0 mem_qolt=0
for round in 1 2 3; do
  r=$(run "$WINELOADER" "$work/peer.exe" /S '/D=C:\bench\peer')
  t=${r% *}; best_peer=$(awk -v a="$t" -v b="$best_peer" 'BEGIN{print a < b ? a : b}'); mem_peer=${r#* }
  [ -f "$dest/peer/media/m1.bin" ] || { echo "the peer installed nothing"; exit 1; }
  r=$(run "$WINELOADER" "$work/qolt.exe" '/AUTO=C:\bench\qolt' /PORTABLE /SILENT)
  t=${r% *}; best_qolt=$(awk -v a="$t" -v b="$best_qolt" 'BEGIN{print a < b ? a : b}'); mem_qolt=${r#* }
  [ -f "$dest/qolt/media/m1.bin" ] || { echo "QOLT installed nothing"; exit 1; }
done
rm -rf "$dest"
# The floor: decoding the payload and writing its files.
tar -C "$payload" -cf - . | xz --format=lzma -4 -T1 >"$work/payload.lzma" 2>/dev/null || true
s=$(date +%s.%N); xz -dc "$work/payload.lzma" >/dev/null; e=$(date +%s.%N)
decode=$(awk -v s="$s" -v e="$e" 'BEGIN{print e - s}')
s=$(date +%s.%N); cp -r "$payload" "$work/copy"; sync; e=$(date +%s.%N); rm -rf "$work/copy"
copy=$(awk -v s="$s" -v e="$e" 'BEGIN{print e - s}')
ps=$(stat -c %s "$work/peer.exe"); qs=$(stat -c %s "$work/qolt.exe")
awk -v bp="$best_peer" -v bq="$best_qolt" -v ps="$ps" -v qs="$qs" -v mp="$mem_peer" -v mq="$mem_qolt" -v d="$decode" -v c="$copy" 'BEGIN{
  printf "peer: %.2f s, %d bytes, peak %.0f MiB\n", bp, ps, mp / 1024
  printf "QOLT: %.2f s, %d bytes, peak %.0f MiB\n", bq, qs, mq / 1024
  printf "ratios QOLT/peer: time %.2f, size %.3f, peak memory %.2f\n", bq / bp, qs / ps, mq / mp
  printf "floor (xz -d %.2f s + copy %.2f s) = %.2f s; QOLT is %.2f s above it\n", d, c, d + c, bq - d - c }'
