#!/usr/bin/env bash
# Cross-builds the HDF5 C library for Windows (MinGW-w64, posix threads) from
# Debian's own `hdf5` source package, so the Windows program writes its HDF5
# exports with the same HDF5 release as the Linux one. Only what the export
# needs: the C library, static, with the deflate filter (zlib, static too) so
# the program ships no HDF5 or zlib DLL, and the high-level library for the
# dimension scales that label the export's axes. No tools, no C++ or Fortran
# libraries, no parallel I/O, no szip.
#
# HDF5's build runs small programs of its own (the type detection that writes
# H5Tinit.c, the configure checks): they are Windows programs here and run
# under Wine, in a Wine prefix of the build folder.
#
# The result lands in a per-user cache folder named after the version and a
# hash of what shapes the build; an interrupted build resumes, a complete one
# is reused. The last line on stdout is the folder:  H5=$(scripts/hdf5-mingw.sh)
#
# Environment: VMF_QT_JOBS (default 2) parallel compile jobs; VMF_QT_CACHE
# (default ~/.cache/varnello) the cache root, shared with scripts/qt-mingw.sh.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

SRC_VERSION=1.10.8+repack1-1
BUILD_REVISION=1
jobs=${VMF_QT_JOBS:-2}
cache_root=${VMF_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/varnello}

# MinGW-w64 has unistd.h but not the rest of POSIX HDF5 then takes for
# granted (sys/wait.h): without it HDF5 takes the Windows paths it takes with
# Microsoft's compiler.
OPTIONS=(
  -DCMAKE_BUILD_TYPE=Release
  -DH5_HAVE_UNISTD_H=0
  -DBUILD_SHARED_LIBS=OFF
  -DBUILD_TESTING=OFF
  -DHDF5_BUILD_TOOLS=OFF
  -DHDF5_BUILD_UTILS=OFF
  -DHDF5_BUILD_EXAMPLES=OFF
  -DHDF5_BUILD_HL_LIB=ON
  -DHDF5_BUILD_CPP_LIB=OFF
  -DHDF5_BUILD_FORTRAN=OFF
  -DHDF5_BUILD_JAVA=OFF
  -DHDF5_ENABLE_PARALLEL=OFF
  -DHDF5_ENABLE_THREADSAFE=OFF
  -DHDF5_ENABLE_SZIP_SUPPORT=OFF
  -DHDF5_ENABLE_Z_LIB_SUPPORT=ON
  -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include
  -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a
  -DHDF5_EXTERNALLY_CONFIGURED=OFF
)

log() { echo "hdf5-mingw: $*" >&2; }

key=$( {
  echo "$SRC_VERSION $BUILD_REVISION"
  printf '%s\n' "${OPTIONS[@]}"
  cat cmake/mingw-w64.cmake
} | sha256sum | cut -c1-12)
upstream=${SRC_VERSION%-*}
prefix=$cache_root/hdf5-mingw-${upstream%%+*}-$key
work=$cache_root/hdf5-mingw-build-$key

complete() { [ -f "$prefix/.hdf5-complete" ]; }
# shellcheck source=scripts/cache-claim.sh
. scripts/cache-claim.sh
cache_claim hdf5-mingw "${1:-}"

VMF_WITH_WINDOWS=1 scripts/deps.sh
# The deb-src entry: scripts/qt-mingw.sh adds it (as root) for Qt's source.
if ! apt-cache showsrc hdf5 2>/dev/null | grep -q "^Version: $SRC_VERSION\$"; then
  log "no deb-src entry serving hdf5 $SRC_VERSION: run scripts/qt-mingw.sh as root once, or add one"
  exit 1
fi

src=$work/src/hdf5-$upstream
if [ ! -f "$src/.vmf-unpacked" ]; then
  mkdir -p "$work/src"
  (cd "$work/src" && rm -rf "$src" && apt-get source -q "hdf5=$SRC_VERSION" >&2)
  echo "Debian source package hdf5 $SRC_VERSION" >"$src/.vmf-unpacked"
fi

export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
rm -rf "$prefix"
# One configure check writes its answer into the current folder, which this
# CMake sets to a scratch folder it removes: the answer is given beforehand
# (long double and __float128 decimal digits of MinGW-w64 on x86-64; used
# only by the Fortran interface, which is not built).
mkdir -p "$work/build"
printf '21;33;' >"$work/build/pac_Cconftest.out"
start=$(date +%s)
log "configuring (log: $work/hdf5.log)"
nice -n 19 cmake -S "$src" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" \
  -DCMAKE_CROSSCOMPILING_EMULATOR=wine \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  "${OPTIONS[@]}" >"$work/hdf5.log" 2>&1 &&
  log "building with $jobs jobs" &&
  nice -n 19 ninja -C "$work/build" -j "$jobs" >>"$work/hdf5.log" 2>&1 &&
  nice -n 19 ninja -C "$work/build" install >>"$work/hdf5.log" 2>&1 ||
  { tail -40 "$work/hdf5.log" >&2; log "build failed"; wineserver -k 2>/dev/null || true; exit 1; }
wineserver -k 2>/dev/null || true
cp "$src/COPYING" "$prefix/COPYING"
cp "$src/.vmf-unpacked" "$prefix/.hdf5-complete"
rm -rf "$work"
log "HDF5 built in $(( ($(date +%s) - start) / 60 )) min: $prefix ($(du -sh "$prefix" | cut -f1))"
echo "$prefix"
