#!/usr/bin/env bash
# IPK5 pack and read against xz on the same ~64 MiB corpus (compressible text,
# binaries, already-compressed data), in one run. Ratios above 1 mean we are faster.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QOLT_BUILD:-$root/build}
bash "$root/scripts/build.sh" >/dev/null
bench=$build/obj/bench/bench_package.exe
work=$build/bench/package
corpus=$work/corpus
if [ ! -f "$work/.corpus-v3" ]; then
  rm -rf "$work"; mkdir -p "$corpus/text" "$corpus/bin" "$corpus/packed"
  # about 24 MiB of text, 24 MiB of binaries, 16 MiB of incompressible data
  for i in $(seq 1 12); do seq $((i * 100000)) $((i * 100000 + 50000)) | sed 's/$/ QOLT plays music and video files/' >"$corpus/text/t$i.txt"; done
  total=0
  find /usr/lib/x86_64-linux-gnu -maxdepth 1 -type f -name '*.so*' -size +300k -size -6M | sort | while read -r f; do
    [ "$total" -lt $((24 << 20)) ] || break
    cp "$f" "$corpus/bin/"; total=$((total + $(stat -c %s "$f")))
  done
  head -c $((15 << 20)) /dev/urandom >"$corpus/packed/random.bin"
  for f in "$corpus"/text/t1.txt "$corpus"/text/t2.txt; do xz -9 -c "$f" >"$corpus/packed/$(basename "$f").xz"; done
  touch "$work/.corpus-v3"
fi
w() { printf 'Z:%s' "${1//\//\\}"; }
run() { "$root/scripts/wine-run" "$@"; }
secs() { local s e; s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N); awk -v s="$s" -v e="$e" 'BEGIN{print e - s}'; }
min() { awk -v a="$1" -v b="$2" 'BEGIN{print (a < b) ? a : b}'; }
calc() { awk "BEGIN{printf \"%.3f\", $1}"; }

echo "corpus: $(du -sb "$corpus" | cut -f1) bytes in $(find "$corpus" -type f | wc -l) files"
best_pack=999 best_read=999 best_xz_c=999 best_xz_d=999 peak=0 content=0
for round in 1 2 3; do
  p=$(run "$bench" pack "$(w "$corpus")" "$(w "$work/p.ipk5")" | tr -d '\r')
  content=$(echo "$p" | cut -d' ' -f4)
  best_pack=$(echo "$p" | awk -v b="$best_pack" '{print ($2 < b) ? $2 : b}')
  perl "$root/tests/setup/ipk5-to-lzma.pl" "$work/p.ipk5" "$work/p.lzma" 2>/dev/null
  xz --format=lzma -dc "$work/p.lzma" >"$work/content.bin"
  best_xz_c=$(min "$(secs xz --format=lzma -4 -T1 -c "$work/content.bin")" "$best_xz_c")
  r=$(run "$bench" read "$(w "$work/p.ipk5")" | tr -d '\r')
  best_read=$(echo "$r" | awk -v b="$best_read" '{print ($2 < b) ? $2 : b}')
  peak=$(echo "$r" | cut -d' ' -f6)
  best_xz_d=$(min "$(secs xz --format=lzma -dc "$work/p.lzma")" "$best_xz_d")
done
size=$(stat -c %s "$work/p.ipk5")
echo "content $content bytes, package $size bytes ($(calc "$size * 100 / $content")%)"
echo "pack: $best_pack s ($(calc "$content / $best_pack / 1e6") MB/s); xz --format=lzma -4: $best_xz_c s; ratio $(calc "$best_xz_c / $best_pack")"
echo "read: $best_read s ($(calc "$content / $best_read / 1e6") MB/s); xz -d: $best_xz_d s; ratio $(calc "$best_xz_d / $best_read")"
echo "read peak memory: $(calc "$peak / 1048576") MiB = content + $(calc "($peak - $content) / 1048576") MiB"
