#!/usr/bin/env bash
# Installs everything the installer's builds and tests need on a Debian 12 machine.
# Idempotent: a machine that already has it all is checked in a few seconds.
#
#   scripts/setup.sh          (as root, or through sudo)
#
# What it leaves behind:
#   - Debian packages: cmake, the MinGW-w64 cross-compilers, wine64, Xvfb, xdotool, ImageMagick, ...
#   - static libjpeg and GoogleTest for both MinGW targets, cross-built from Debian's sources,
#     under $TOVALU_DEPS (default /var/cache/tovalu-deps), outside the work tree;
#   - the unprivileged user that runs the Wine tests ($TOVALU_TEST_USER, default tovalutest),
#     because Wine run as root ignores read-only files and unwritable folders.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/common.sh
. "$here/common.sh"

if [ "$(id -u)" -ne 0 ]; then
  exec sudo -E "$0" "$@"
fi

packages=(
  cmake make ninja-build pkg-config dpkg-dev
  g++ clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64
  xvfb xdotool x11-utils x11-xserver-utils imagemagick fonts-wine fonts-liberation fonts-dejavu-core
  nasm
  googletest libgtest-dev libgmock-dev
  libjpeg62-turbo-dev
  nsis
)

missing_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
  done
}

enable_source_index() {
  # apt-get source needs the deb-src lines; Debian 12 ships deb822 sources without them.
  local f=/etc/apt/sources.list.d/debian.sources
  if [ -f "$f" ] && grep -q '^Types: deb$' "$f"; then
    sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"
    return 0
  fi
  if [ -f /etc/apt/sources.list ] && grep -q '^deb http' /etc/apt/sources.list \
     && ! grep -q '^deb-src http' /etc/apt/sources.list; then
    sed -n 's/^deb \(http.*\)/deb-src \1/p' /etc/apt/sources.list >> /etc/apt/sources.list
    return 0
  fi
  return 1
}

install_packages() {
  local need changed=0
  enable_source_index && changed=1
  need=$(missing_packages)
  if [ -n "$need" ] || [ "$changed" = 1 ] || [ ! -e "$TOVALU_DEPS/.apt-updated" ]; then
    log "apt-get update"
    apt-get update -qq
    mkdir -p "$TOVALU_DEPS" && touch "$TOVALU_DEPS/.apt-updated"
  fi
  if [ -n "$need" ]; then
    log "installing:" $need
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $need >/dev/null
  fi
}

fetch_source() { # fetch_source PACKAGE -> prints the unpacked folder
  local pkg=$1 dir="$TOVALU_DEPS/src"
  mkdir -p "$dir"
  local found
  found=$(find "$dir" -maxdepth 1 -type d -name "${pkg}-[0-9]*" | head -n 1)
  if [ -z "$found" ]; then
    (cd "$dir" && apt-get source -qq "$pkg" >/dev/null 2>&1) || { echo "apt-get source $pkg failed" >&2; return 1; }
    found=$(find "$dir" -maxdepth 1 -type d -name "${pkg}-[0-9]*" | head -n 1)
  fi
  echo "$found"
}

toolchain_for() { # toolchain_for ARCH -> the cmake toolchain file of the project
  case $1 in
    x86_64) echo "$TOVALU_ROOT/cmake/toolchain-mingw-x86_64.cmake" ;;
    i686) echo "$TOVALU_ROOT/cmake/toolchain-mingw-i686.cmake" ;;
  esac
}

build_libjpeg() { # build_libjpeg ARCH
  local arch=$1 prefix="$TOVALU_DEPS/mingw-$1" stamp
  stamp="$prefix/.libjpeg-done"
  [ -e "$stamp" ] && return 0
  local src; src=$(fetch_source libjpeg-turbo)
  log "building static libjpeg for $arch-w64-mingw32"
  rm -rf "$TOVALU_DEPS/build/libjpeg-$arch"
  cmake -S "$src" -B "$TOVALU_DEPS/build/libjpeg-$arch" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$(toolchain_for "$arch")" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON \
    -DWITH_JPEG8=OFF -DCMAKE_ASM_NASM_COMPILER=nasm >/dev/null
  cmake --build "$TOVALU_DEPS/build/libjpeg-$arch" --target jpeg-static >/dev/null
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$TOVALU_DEPS/build/libjpeg-$arch/libjpeg.a" "$prefix/lib/"
  cp "$src/jpeglib.h" "$src/jmorecfg.h" "$src/jerror.h" "$TOVALU_DEPS/build/libjpeg-$arch/jconfig.h" "$prefix/include/"
  # SIMD on means nasm-built kernels in the archive; a silent fallback to C would be slower.
  # (grep reads the whole list: with -q, nm could die of a broken pipe and fail the check.)
  "$arch-w64-mingw32-nm" "$prefix/lib/libjpeg.a" | grep jsimd_idct_islow_sse2 >/dev/null \
    || { echo "libjpeg for $arch was built without SIMD" >&2; return 1; }
  touch "$stamp"
}

build_gtest() { # build_gtest ARCH
  local arch=$1 prefix="$TOVALU_DEPS/mingw-$1" stamp
  stamp="$prefix/.gtest-done"
  [ -e "$stamp" ] && return 0
  log "building GoogleTest for $arch-w64-mingw32"
  rm -rf "$TOVALU_DEPS/build/gtest-$arch"
  cmake -S /usr/src/googletest -B "$TOVALU_DEPS/build/gtest-$arch" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$(toolchain_for "$arch")" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON >/dev/null
  cmake --build "$TOVALU_DEPS/build/gtest-$arch" >/dev/null
  cmake --install "$TOVALU_DEPS/build/gtest-$arch" >/dev/null
  touch "$stamp"
}

create_test_user() {
  if ! id "$TOVALU_TEST_USER" >/dev/null 2>&1; then
    log "creating the unprivileged test user $TOVALU_TEST_USER"
    useradd --create-home --shell /bin/bash "$TOVALU_TEST_USER"
  fi
}

install_packages
create_test_user
for arch in x86_64 i686; do
  build_libjpeg "$arch"
  build_gtest "$arch"
done
log "setup done (dependencies in $TOVALU_DEPS)"
