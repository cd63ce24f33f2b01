#!/usr/bin/env bash
# Cross-builds Qt 6 for Windows (MinGW-w64, posix threads) from Debian's own
# source packages, so the Windows program is built from the same Qt release as
# the Linux one. Only what the program uses is built: Core, Gui, Widgets, the
# Windows platform plugin, and Qt Charts once the program links it (or when
# VMF_QT_CHARTS=1 asks for it), added to the same folder.
#
# The result lands in a per-user cache folder named after the Qt version and a
# hash of what shapes the build (source versions, options, toolchain file,
# patches); it is rebuilt only when that folder is missing or incomplete. A
# change to the build steps themselves that alters the result must change
# BUILD_REVISION. The
# last line on stdout is the folder, for callers:  QT=$(scripts/qt-mingw.sh)
#
# Environment: VMF_QT_JOBS (default 2) parallel compile jobs; VMF_QT_CACHE
# (default ~/.cache/varnello) the cache root; VMF_QT_CHARTS=1/0 builds Qt
# Charts or not, whatever the program links.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

QT_VERSION=6.4.2
BASE_SRC_VERSION=6.4.2+dfsg-10
CHARTS_SRC_VERSION=6.4.2-3
BUILD_REVISION=1
jobs=${VMF_QT_JOBS:-2}
cache_root=${VMF_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/varnello}

# Host tools (moc, rcc, uic, syncqt) come from Debian's own Qt of the same
# version; the target libraries are built here.
HOST_QT_PACKAGES=(qt6-base-dev qt6-base-dev-tools)

# Modules and features the program has no use for are off: they only cost
# build time and shipped size. The bundled third-party copies are used so the
# DLLs need nothing besides the compiler's runtime. Tablet support is off
# because Debian's source lacks the bundled wintab headers. OpenGL and
# Direct2D stay on: with either off, the Windows platform plugin of this
# release does not compile.
QTBASE_OPTIONS=(
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
  -DQT_QMAKE_TARGET_MKSPEC=win32-g++
  -DFEATURE_network=OFF
  -DFEATURE_sql=OFF
  -DFEATURE_dbus=OFF
  -DFEATURE_printsupport=OFF
  -DFEATURE_testlib=OFF
  -DFEATURE_xml=OFF
  -DFEATURE_concurrent=OFF
  -DFEATURE_tabletevent=OFF
  -DFEATURE_vulkan=OFF
  -DFEATURE_androiddeployqt=OFF
  -DFEATURE_pkg_config=OFF
  -DFEATURE_zstd=OFF
  -DFEATURE_icu=OFF
  -DFEATURE_system_zlib=OFF
  -DFEATURE_system_pcre2=OFF
  -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_freetype=OFF
  -DFEATURE_system_png=OFF
  -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_doubleconversion=OFF
)
CHARTS_OPTIONS=(
  -DCMAKE_BUILD_TYPE=Release
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
)

log() { echo "qt-mingw: $*" >&2; }

key=$( {
  echo "$BASE_SRC_VERSION $CHARTS_SRC_VERSION $BUILD_REVISION"
  printf '%s\n' "${QTBASE_OPTIONS[@]}" "${CHARTS_OPTIONS[@]}"
  cat cmake/mingw-w64.cmake
  if [ -d scripts/qt-mingw-patches ]; then cat scripts/qt-mingw-patches/*.patch 2>/dev/null || true; fi
} | sha256sum | cut -c1-12)
prefix=$cache_root/qt-mingw-$QT_VERSION-$key
work=$cache_root/qt-mingw-build-$QT_VERSION-$key

charts=${VMF_QT_CHARTS:-}
if [ -z "$charts" ]; then
  if grep -rqs --include=CMakeLists.txt 'Qt6::Charts' src CMakeLists.txt; then charts=1; else charts=0; fi
fi
complete() { [ -f "$prefix/.qtbase-complete" ] && { [ "$charts" != 1 ] || [ -f "$prefix/.charts-complete" ]; }; }

if complete; then
  log "cached: $prefix"
  echo "$prefix"
  exit 0
fi

VMF_WITH_WINDOWS=1 scripts/deps.sh
missing=()
for p in "${HOST_QT_PACKAGES[@]}" dpkg-dev perl; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -ne 0 ]; then
  log "missing packages: ${missing[*]} (run VMF_WITH_WINDOWS=1 scripts/deps.sh)"
  exit 1
fi
host_qt=$(dpkg-query -W -f='${Version}' qt6-base-dev)
if [ "$host_qt" != "$BASE_SRC_VERSION" ]; then
  log "host Qt is $host_qt but the source is $BASE_SRC_VERSION: moc/rcc/uic must match"
  exit 1
fi

# apt-get source needs a deb-src entry; add one beside the existing sources,
# pointing at the same archives.
ensure_deb_src() {
  if apt-cache showsrc qt6-base 2>/dev/null | grep -q "^Version: $BASE_SRC_VERSION\$"; then return; fi
  local list=/etc/apt/sources.list.d/varnello-deb-src.sources
  if [ "$(id -u)" -ne 0 ]; then
    log "no deb-src entry for qt6-base; as root, add $list (deb-src of the existing sources) and run apt-get update"
    exit 1
  fi
  log "adding $list"
  {
    for f in /etc/apt/sources.list.d/*.sources; do
      [ "$f" = "$list" ] && continue
      grep -q '^URIs: .*debian' "$f" || continue
      sed -e 's/^Types: deb$/Types: deb-src/' "$f"
      echo
    done
  } >"$list"
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*debian.*\)/deb-src \1/p' /etc/apt/sources.list >/etc/apt/sources.list.d/varnello-deb-src.list
  fi
  apt-get update -q >&2
}

# Fetches and unpacks one source package (Debian's patches applied) into
# $work/src and prints the unpacked folder. An interrupted build resumes:
# the unpacked source and the build tree stay until Qt is complete.
fetch_source() {
  local name=$1 version=$2 upstream=${2%-*}
  local dir=$work/src/$name-$upstream
  # The marker tells a complete unpack from one an interrupted run left.
  if [ ! -f "$dir/.vmf-unpacked" ]; then
    ensure_deb_src
    mkdir -p "$work/src"
    (cd "$work/src" && rm -rf "$name-$upstream" && apt-get source -q "$name=$version" >&2) ||
      return 1
    touch "$dir/.vmf-unpacked" || return 1
  fi
  echo "$dir"
}

mkdir -p "$cache_root" "$work"
# The toolchain file is copied next to Qt: Qt's own toolchain file loads it
# from there when the program and Qt Charts are configured, so the cache does
# not depend on where this repository was checked out.
if [ -e "$prefix" ] && [ ! -f "$prefix/.qtbase-complete" ]; then rm -rf "$prefix"; fi
mkdir -p "$prefix"
cp cmake/mingw-w64.cmake "$prefix/mingw-w64.cmake"

start=$(date +%s)
if [ ! -f "$prefix/.qtbase-complete" ]; then
  src=$(fetch_source qt6-base "$BASE_SRC_VERSION")
  if [ -d scripts/qt-mingw-patches ] && [ ! -f "$src/.vmf-patched" ]; then
    for p in scripts/qt-mingw-patches/qtbase-*.patch; do
      [ -e "$p" ] || continue
      log "applying $p"
      patch -d "$src" -p1 <"$p" >&2
    done
    touch "$src/.vmf-patched"
  fi
  log "configuring qtbase (log: $work/qtbase.log)"
  nice -n 19 cmake -S "$src" -B "$work/qtbase" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    "${QTBASE_OPTIONS[@]}" >"$work/qtbase.log" 2>&1 || {
    tail -40 "$work/qtbase.log" >&2; log "qtbase configure failed"; exit 1; }
  log "building qtbase with $jobs jobs"
  nice -n 19 ninja -C "$work/qtbase" -j "$jobs" >>"$work/qtbase.log" 2>&1 || {
    tail -40 "$work/qtbase.log" >&2; log "qtbase build failed"; exit 1; }
  nice -n 19 ninja -C "$work/qtbase" install >>"$work/qtbase.log" 2>&1 || {
    tail -40 "$work/qtbase.log" >&2; log "qtbase install failed"; exit 1; }
  touch "$prefix/.qtbase-complete"
  log "qtbase built in $(( ($(date +%s) - start) / 60 )) min"
fi

# Qt Charts only draws the trend window: when its source cannot be had (the
# archive may no longer carry this version), Qt stays without it and the
# program is built without that window; a later run tries again.
charts_src=
if [ "$charts" = 1 ] && [ ! -f "$prefix/.charts-complete" ]; then
  charts_src=$(fetch_source qt6-charts "$CHARTS_SRC_VERSION") ||
    { charts_src=; log "Qt Charts source not available: building without it (no trend window)"; }
fi
if [ -n "$charts_src" ]; then
  src=$charts_src
  log "configuring Qt Charts (log: $work/qtcharts.log)"
  nice -n 19 cmake -S "$src" -B "$work/qtcharts" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    "${CHARTS_OPTIONS[@]}" >"$work/qtcharts.log" 2>&1 || {
    tail -40 "$work/qtcharts.log" >&2; log "Qt Charts configure failed"; exit 1; }
  nice -n 19 ninja -C "$work/qtcharts" -j "$jobs" >>"$work/qtcharts.log" 2>&1 || {
    tail -40 "$work/qtcharts.log" >&2; log "Qt Charts build failed"; exit 1; }
  nice -n 19 ninja -C "$work/qtcharts" install >>"$work/qtcharts.log" 2>&1 || {
    tail -40 "$work/qtcharts.log" >&2; log "Qt Charts install failed"; exit 1; }
  touch "$prefix/.charts-complete"
fi

# The sources and build trees are only needed to build; the install is what
# the cache keeps.
rm -rf "$work"
if [ "$charts" = 1 ] && [ ! -f "$prefix/.charts-complete" ]; then
  log "Qt (without Qt Charts) in $prefix"
  echo "$prefix"
  exit 0
fi
log "Qt built in $(( ($(date +%s) - start) / 60 )) min: $prefix ($(du -sh "$prefix" | cut -f1))"
echo "$prefix"
