#!/usr/bin/env bash
# SetupBuilder as a release engineer uses it: pack, list, extract, build a setup
# from a stub, and the package payload decoded by the system's xz.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
builder=$1 stub=$2
run() { "$here/../../scripts/wine-run" "$builder" "$@"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
w() { printf 'Z:%s' "${1//\//\\}"; }

mkdir -p "$work/src/Plugins/Audio" "$work/src/Skins"
printf 'hello\r\n' >"$work/src/readme.txt"
head -c 300000 /dev/urandom >"$work/src/Plugins/Audio/random.bin"
seq 1 20000 >"$work/src/Skins/numbers.txt"
: >"$work/src/empty.dat"

run pack "$(w "$work/src")" "$(w "$work/p.ipk5")" >/dev/null
run extract "$(w "$work/p.ipk5")" --all "$(w "$work/out")" >/dev/null
diff -r "$work/src" "$work/out"
run list "$(w "$work/p.ipk5")" | tr -d '\r' >"$work/list.txt"
grep -q $'^Plugins\\\\Audio\\\\random.bin\t' "$work/list.txt"
run extract "$(w "$work/p.ipk5")" 'skins\numbers.txt' "$(w "$work/one.txt")" >/dev/null
cmp "$work/one.txt" "$work/src/Skins/numbers.txt"

# The system's xz reads the payload once the key is removed and the legacy header put in front.
crc_size=$(perl "$here/ipk5-to-lzma.pl" "$work/p.ipk5" "$work/p.lzma" 2>&1)
xz --format=lzma -dc "$work/p.lzma" >"$work/content.bin"
actual=$(perl -e '
  my @t; for my $i (0..255) { my $c = $i << 24; for (1..8) { $c = ($c & 0x80000000) ? (($c << 1) ^ 0x04C11DB7) & 0xFFFFFFFF : ($c << 1) & 0xFFFFFFFF } $t[$i] = $c }
  local $/; open(my $f, "<:raw", $ARGV[0]) or die; my $d = <$f>; my $c = 0;
  $c = (($c << 8) & 0xFFFFFFFF) ^ $t[(($c >> 24) ^ $_) & 0xFF] for unpack("C*", $d);
  printf "%08x %d\n", $c, length $d;' "$work/content.bin")
[ "$crc_size" = "$actual" ] || { echo "xz content: $actual, header: $crc_size"; exit 1; }

# A setup from a stub carries both packages as resources.
mkdir -p "$work/setupdata"
echo '<install/>' >"$work/setupdata/Install.xml"
run build --stub "$(w "$stub")" --setup "$(w "$work/setupdata")" --product "$(w "$work/p.ipk5")" --out "$(w "$work/Setup.exe")" >/dev/null
run list "$(w "$work/Setup.exe")" | tr -d '\r' >"$work/setup-list.txt"
grep -qx '\[SETUP\]' "$work/setup-list.txt"
grep -q $'^Install.xml\t0\t11$' "$work/setup-list.txt"
grep -qx '\[PRODUCT\]' "$work/setup-list.txt"
grep -q $'^readme.txt\t' "$work/setup-list.txt"

# Failures: a clear message and a non-zero exit.
if run list "$(w "$work/src/Skins/numbers.txt")" 2>"$work/err.txt"; then echo "a text file listed as a package"; exit 1; fi
grep -q 'Package was corrupted' "$work/err.txt"
if run frobnicate 2>/dev/null; then echo "unknown command accepted"; exit 1; fi
echo "setup builder: all checks passed"
