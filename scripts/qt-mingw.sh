#!/usr/bin/env bash
# Cross-builds Qt 6 for Windows (MinGW-w64, posix threads), the same Qt release
# as the Linux program's. qtbase comes from Debian's own source package; the
# modules on top (Qt WebSockets, Qt HTTP Server, Qt Charts) from Debian's
# source when the archive serves it, otherwise from the unchanged upstream
# tarballs in ../shared/third_party/qt-6.4.2 (checked against its SHA256SUMS).
# Only what the program uses is built: Core, Gui, Widgets, Network (with the
# Windows TLS backend), the Windows platform plugin, and those modules.
#
# The result lands in a per-user cache folder named after the Qt version and a
# hash of what shapes qtbase (source version, options, toolchain file,
# patches); each module is added to it with its own completion marker, so an
# interrupted or partial build resumes where it stopped and a module that
# could not be had is tried again by the next run. A change to the build
# steps that alters the result must change BUILD_REVISION (qtbase) or the
# module's revision. Where each source came from is written to SOURCES.txt in
# that folder; the Windows package ships it. The last line on stdout is the
# folder, for callers:  QT=$(scripts/qt-mingw.sh)
#
# Environment: VMF_QT_JOBS (default 2) parallel compile jobs; VMF_QT_CACHE
# (default ~/.cache/varnello) the cache root; VMF_QT_MODULES (default
# "qtwebsockets qthttpserver qtcharts") the modules to add; VMF_QT_THIRD_PARTY
# (default ../shared/third_party/qt-6.4.2 beside the checkout) the tarballs.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

QT_VERSION=6.4.2
BASE_SRC_VERSION=6.4.2+dfsg-10
BUILD_REVISION=2
jobs=${VMF_QT_JOBS:-2}
cache_root=${VMF_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/varnello}
modules=${VMF_QT_MODULES-qtwebsockets qthttpserver qtcharts}
third_party=${VMF_QT_THIRD_PARTY:-$repo/../shared/third_party/qt-$QT_VERSION}

# Debian's source package and version of each module; the tarball beside the
# checkout is the fallback. WebSockets comes before HTTP Server, which uses it.
declare -A DEBIAN_SOURCE=(
  [qtwebsockets]=qt6-websockets=6.4.2-1
  [qthttpserver]=qt6-httpserver=6.4.2-1
  [qtcharts]=qt6-charts=6.4.2-3
)
declare -A MODULE_FEATURE=(
  [qtwebsockets]="the live view's WebSocket updates"
  [qthttpserver]="the live view"
  [qtcharts]="the trend window"
)
MODULE_REVISION=1

# Host tools (moc, rcc, uic, syncqt) come from Debian's own Qt of the same
# version; the target libraries are built here.
HOST_QT_PACKAGES=(qt6-base-dev qt6-base-dev-tools)

# Modules and features the program has no use for are off: they only cost
# build time and shipped size. The bundled third-party copies are used so the
# DLLs need nothing besides the compiler's runtime. Tablet support is off
# because Debian's source lacks the bundled wintab headers. OpenGL and
# Direct2D stay on: with either off, the Windows platform plugin of this
# release does not compile. Network is on for the live view (HTTP Server,
# WebSockets) and the single-instance hand-over; TLS goes through Windows'
# own Schannel, so no OpenSSL is built or shipped.
QTBASE_OPTIONS=(
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
  -DQT_QMAKE_TARGET_MKSPEC=win32-g++
  -DFEATURE_network=ON
  -DFEATURE_schannel=ON
  -DFEATURE_openssl=OFF
  -DFEATURE_openssl_linked=OFF
  -DFEATURE_libproxy=OFF
  -DFEATURE_gssapi=OFF
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
MODULE_OPTIONS=(
  -DCMAKE_BUILD_TYPE=Release
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
)

log() { echo "qt-mingw: $*" >&2; }

key=$( {
  echo "$BASE_SRC_VERSION $BUILD_REVISION"
  printf '%s\n' "${QTBASE_OPTIONS[@]}"
  cat cmake/mingw-w64.cmake
  if [ -d scripts/qt-mingw-patches ]; then cat scripts/qt-mingw-patches/qtbase-*.patch 2>/dev/null || true; fi
} | sha256sum | cut -c1-12)
prefix=$cache_root/qt-mingw-$QT_VERSION-$key
work=$cache_root/qt-mingw-build-$QT_VERSION-$key

# A module's marker holds what shaped it; another revision or option set
# builds it again over the same Qt.
module_stamp() { echo "$1 $MODULE_REVISION ${MODULE_OPTIONS[*]}"; }
module_done() { [ "$(head -n 1 "$prefix/.$1-complete" 2>/dev/null)" = "$(module_stamp "$1")" ]; }
# A module whose build failed with these very steps is not tried again until
# they change: the program goes without it (the failure's log is kept).
module_failed() { [ "$(head -n 1 "$prefix/.$1-failed" 2>/dev/null)" = "$(module_stamp "$1")" ]; }
module_settled() { { module_done "$1" && [ -f "$prefix/licenses/$1/.complete" ]; } || module_failed "$1"; }
complete() {
  [ -f "$prefix/.qtbase-complete" ] && [ -f "$prefix/licenses/qtbase/.complete" ] || return 1
  local m
  for m in $modules; do module_settled "$m" || return 1; done
}

# shellcheck source=scripts/cache-claim.sh
. scripts/cache-claim.sh
cache_claim qt-mingw "${1:-}"

VMF_WITH_WINDOWS=1 scripts/deps.sh
missing=()
for p in "${HOST_QT_PACKAGES[@]}" dpkg-dev perl xz-utils; do
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

# Fetches and unpacks one Debian source package (Debian's patches applied)
# into $work/src and prints the unpacked folder. An interrupted build resumes:
# the unpacked source and the build tree stay until Qt is complete.
fetch_source() {
  local name=${1%%=*} version=${1#*=}
  local dir=$work/src/$name-${version%-*}
  # The marker tells a complete unpack from one an interrupted run left.
  if [ ! -f "$dir/.vmf-unpacked" ]; then
    ensure_deb_src
    mkdir -p "$work/src"
    (cd "$work/src" && rm -rf "$dir" && apt-get source -q "$name=$version" >&2) ||
      return 1
    echo "Debian source package $name $version" >"$dir/.vmf-unpacked" || return 1
  fi
  echo "$dir"
}

# Unpacks a module's upstream tarball from the third-party folder once its
# checksum matches the folder's SHA256SUMS; prints the unpacked folder.
unpack_tarball() {
  local module=$1 file=$1-$QT_VERSION.tar.xz
  local dir=$work/src/$module-everywhere-src-$QT_VERSION
  if [ ! -f "$dir/.vmf-unpacked" ]; then
    [ -f "$third_party/$file" ] && [ -f "$third_party/SHA256SUMS" ] || return 1
    local want got
    want=$(awk -v f="$file" '$2 == f || $2 == "*" f { print $1 }' "$third_party/SHA256SUMS")
    got=$(sha256sum "$third_party/$file" | cut -d' ' -f1)
    if [ -z "$want" ] || [ "$want" != "$got" ]; then
      log "$file does not match $third_party/SHA256SUMS: not used"
      return 1
    fi
    mkdir -p "$work/src"
    rm -rf "$dir"
    tar -xJf "$third_party/$file" -C "$work/src" || return 1
    [ -d "$dir" ] || return 1
    echo "upstream tarball $file (tag v$QT_VERSION, sha256 $got)" >"$dir/.vmf-unpacked"
  fi
  echo "$dir"
}

# Keeps a source tree's licence texts and third-party attributions beside
# the built Qt: the Windows package ships them with the DLLs.
copy_licences() { # name source-folder
  local dest=$prefix/licenses/$1
  rm -rf "$dest"
  mkdir -p "$dest"
  (cd "$2" && find . -type f \( -name 'LICENSE*' -o -name 'COPYING*' -o -name 'qt_attribution.json' \
    -o -path './LICENSES/*' \) ! -path './debian/*' ! -path './tests/*' ! -path './examples/*' -print0 |
    xargs -0 -r cp --parents -t "$dest")
  touch "$dest/.complete"
}

# Runs configure, build and install of one source tree into the Qt folder.
build_tree() {
  local name=$1 src=$2 tree=$work/$1
  shift 2
  log "configuring $name (log: $work/$name.log)"
  nice -n 19 cmake -S "$src" -B "$tree" -G Ninja "$@" >"$work/$name.log" 2>&1 &&
    log "building $name with $jobs jobs" &&
    nice -n 19 ninja -C "$tree" -j "$jobs" >>"$work/$name.log" 2>&1 &&
    nice -n 19 ninja -C "$tree" install >>"$work/$name.log" 2>&1 ||
    { tail -40 "$work/$name.log" >&2; log "$name failed"; return 1; }
}

mkdir -p "$cache_root" "$work"
# The toolchain file is copied next to Qt: Qt's own toolchain file loads it
# from there when the program and the modules are configured, so the cache
# does not depend on where this repository was checked out.
if [ -e "$prefix" ] && [ ! -f "$prefix/.qtbase-complete" ]; then rm -rf "$prefix"; fi
mkdir -p "$prefix"
cp cmake/mingw-w64.cmake "$prefix/mingw-w64.cmake"

start=$(date +%s)
if [ ! -f "$prefix/.qtbase-complete" ]; then
  src=$(fetch_source "qt6-base=$BASE_SRC_VERSION") || { log "qtbase source not available"; exit 1; }
  if [ -d scripts/qt-mingw-patches ] && [ ! -f "$src/.vmf-patched" ]; then
    for p in scripts/qt-mingw-patches/qtbase-*.patch; do
      [ -e "$p" ] || continue
      log "applying $p"
      patch -d "$src" -p1 <"$p" >&2
    done
    touch "$src/.vmf-patched"
  fi
  build_tree qtbase "$src" \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    "${QTBASE_OPTIONS[@]}" || exit 1
  copy_licences qtbase "$src"
  cp "$src/.vmf-unpacked" "$prefix/.qtbase-complete"
  rm -rf "$work/qtbase" "$src"
  log "qtbase built in $(( ($(date +%s) - start) / 60 )) min"
fi
# A Qt built before its licences were kept: the source gives them again.
if [ ! -f "$prefix/licenses/qtbase/.complete" ]; then
  src=$(fetch_source "qt6-base=$BASE_SRC_VERSION") || { log "qtbase source not available"; exit 1; }
  copy_licences qtbase "$src"
  rm -rf "$src"
fi

# A module that cannot be had (no Debian source, no tarball beside the
# checkout) is left out: the program is built without what needs it, and a
# later run tries again. One that fails to build is left out too, loudly.
for m in $modules; do
  if module_failed "$m"; then
    log "$m failed to build before (log: $prefix/$m-build.log): building without ${MODULE_FEATURE[$m]}"
    continue
  fi
  module_settled "$m" && continue
  [ -n "${DEBIAN_SOURCE[$m]:-}" ] || { log "unknown module $m"; exit 1; }
  msrc=$(fetch_source "${DEBIAN_SOURCE[$m]}" 2>/dev/null) || msrc=$(unpack_tarball "$m") || {
    log "$m source not available (no Debian source, no $third_party/$m-$QT_VERSION.tar.xz): building without ${MODULE_FEATURE[$m]}"
    continue
  }
  if ! module_done "$m"; then
    log "$m from $(cat "$msrc/.vmf-unpacked")"
    mstart=$(date +%s)
    build_tree "$m" "$msrc" \
      -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
      -DCMAKE_INSTALL_PREFIX="$prefix" \
      -DQT_HOST_PATH=/usr \
      -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
      "${MODULE_OPTIONS[@]}" || {
      cp "$work/$m.log" "$prefix/$m-build.log"
      module_stamp "$m" >"$prefix/.$m-failed"
      log "$m failed to build (log: $prefix/$m-build.log): building without ${MODULE_FEATURE[$m]}"
      continue
    }
    { module_stamp "$m"; cat "$msrc/.vmf-unpacked"; } >"$prefix/.$m-complete"
    log "$m built in $(( ($(date +%s) - mstart) / 60 )) min"
  fi
  copy_licences "$m" "$msrc"
  rm -rf "${work:?}/$m" "$msrc"
done

# Where every part of this Qt came from, for the notices the package ships.
{
  echo "Qt $QT_VERSION for Windows, cross-built with MinGW-w64 from:"
  echo "  qtbase: $(cat "$prefix/.qtbase-complete")"
  for m in $modules; do
    [ -f "$prefix/.$m-complete" ] && echo "  $m: $(sed -n 2p "$prefix/.$m-complete")"
  done
  echo "Options: ${QTBASE_OPTIONS[*]}"
} >"$prefix/SOURCES.txt"

if complete; then
  # The sources and build trees are only needed to build; the install is
  # what the cache keeps.
  rm -rf "$work"
  log "Qt complete in $prefix ($(du -sh "$prefix" | cut -f1))"
else
  log "Qt in $prefix without some modules (see above); the next run tries them again"
fi
echo "$prefix"
