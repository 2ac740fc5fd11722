#!/usr/bin/env bash
# Makes a fresh Debian 12 machine ready to build and test: packages, the
# cross-built third-party libraries and the private Wine prefix. Idempotent;
# a second run with nothing changed takes seconds.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${QOLT_BUILD:-$root/build}
deps=$build/deps
mkdir -p "$deps"

say() { printf '[bootstrap] %s\n' "$*"; }
as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# --- packages ---------------------------------------------------------------
packages=(cmake ninja-build dpkg-dev g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  libz-mingw-w64-dev googletest wine64 xvfb xauth xz-utils x11-apps imagemagick)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
apt_updated=
if [ ${#missing[@]} -gt 0 ]; then
  say "installing: ${missing[*]}"
  as_root apt-get update -q
  apt_updated=1
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# --- deb-src entry ----------------------------------------------------------
has_src() { grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; }
if ! has_src; then
  say "adding a deb-src entry"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
      as_root tee /etc/apt/sources.list.d/qolt-deb-src.sources >/dev/null
  else
    grep -hE '^deb ' /etc/apt/sources.list 2>/dev/null | sed 's/^deb /deb-src /' |
      as_root tee /etc/apt/sources.list.d/qolt-deb-src.list >/dev/null
  fi
  apt_updated=
fi

# --- cross-built libraries --------------------------------------------------
cc_version=$(x86_64-w64-mingw32-gcc-posix --version | head -1)
toolchain=$root/cmake/mingw-w64.cmake
prefix=$deps/prefix

# Newest source version of a package that the archive really serves.
fetch_source() {
  local pkg=$1 dir=$2 v
  if [ -z "$apt_updated" ] && ! apt-cache showsrc "$pkg" >/dev/null 2>&1; then
    as_root apt-get update -q; apt_updated=1
  fi
  if [ -z "$(apt-cache showsrc "$pkg" 2>/dev/null)" ] && [ -z "$apt_updated" ]; then
    as_root apt-get update -q; apt_updated=1
  fi
  for v in $(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -u | sort -r -V); do
    rm -rf "$dir"; mkdir -p "$dir"
    if (cd "$dir" && apt-get source -q "$pkg=$v" >/dev/null 2>&1); then
      echo "$v"; return 0
    fi
    say "source $pkg=$v not served, trying an older one" >&2
  done
  say "no source of $pkg could be fetched" >&2
  return 1
}

# build_lib NAME PKG CMAKE-ARGS...: rebuilt when the source version, the
# compiler, the toolchain file or these arguments change.
build_lib() {
  local name=$1 pkg=$2; shift 2
  local stamp=$prefix/.$name.stamp srcdir=$deps/src/$name
  local want_v
  want_v=$(apt-cache showsrc "$pkg" 2>/dev/null | sed -n 's/^Version: //p' | sort -u | sort -r -V | tr '\n' ' ')
  local key="$want_v|$cc_version|$(sha1sum "$toolchain" | cut -c1-40)|$*"
  if [ -f "$stamp" ] && [ "$(head -1 "$stamp")" = "$key" ]; then return 0; fi
  say "cross-building $name from the $pkg source package"
  local v; v=$(fetch_source "$pkg" "$srcdir")
  local top; top=$(find "$srcdir" -mindepth 1 -maxdepth 1 -type d | head -1)
  rm -rf "$deps/obj/$name"; mkdir -p "$deps/obj"
  cmake -S "$top" -B "$deps/obj/$name" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" >"$deps/obj/$name.log" 2>&1 \
    || { tail -30 "$deps/obj/$name.log"; exit 1; }
  cmake --build "$deps/obj/$name" >>"$deps/obj/$name.log" 2>&1 || { tail -30 "$deps/obj/$name.log"; exit 1; }
  cmake --install "$deps/obj/$name" >>"$deps/obj/$name.log" 2>&1 || { tail -30 "$deps/obj/$name.log"; exit 1; }
  printf '%s\nbuilt from %s %s\n' "$key" "$pkg" "$v" >"$stamp"
}
if ! has_src || [ -z "$(apt-cache showsrc xz-utils 2>/dev/null)" ]; then as_root apt-get update -q; apt_updated=1; fi
# -O2 as the system's own build: the decoder runs faster than at -O3.
build_lib lzma xz-utils -DCMAKE_POSITION_INDEPENDENT_CODE=OFF "-DCMAKE_C_FLAGS_RELEASE=-O2 -DNDEBUG"
# The backup archives: zlib's deflate only, no other codecs, no encryption.
build_lib zip libzip -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_OPENSSL=OFF -DENABLE_GNUTLS=OFF \
  -DENABLE_MBEDTLS=OFF -DENABLE_COMMONCRYPTO=OFF -DENABLE_WINDOWS_CRYPTO=OFF -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF \
  -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF "-DCMAKE_FIND_ROOT_PATH=/usr/x86_64-w64-mingw32" -DZLIB_USE_STATIC_LIBS=ON
build_lib pcre2 pcre2 -DPCRE2_BUILD_PCRE2_8=OFF -DPCRE2_BUILD_PCRE2_16=ON -DPCRE2_BUILD_PCRE2_32=OFF \
  -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF -DPCRE2_SUPPORT_JIT=OFF -DPCRE2_STATIC_RUNTIME=ON

# --- private Wine prefix ----------------------------------------------------
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
wine_key="$(dpkg-query -W -f='${Version}' wine64)|win10"
if [ ! -f "$WINEPREFIX/.qolt.stamp" ] || [ "$(cat "$WINEPREFIX/.qolt.stamp")" != "$wine_key" ]; then
  say "creating the Wine prefix in $WINEPREFIX"
  rm -rf "$WINEPREFIX"; mkdir -p "$WINEPREFIX" "$HOME"
  "$WINELOADER" wineboot -i >/dev/null 2>&1
  "$WINELOADER" winecfg -v win10 >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
  echo "$wine_key" >"$WINEPREFIX/.qolt.stamp"
fi
say "ready"
