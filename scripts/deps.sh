#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the application need,
# what the Linux package's build runs (file for cpack's library
# dependencies, help2man for the manual pages), and matplotlib for the
# README's Python example.
# Only missing packages are installed; as non-root it uses sudo when it can,
# and otherwise prints the exact apt-get line to run.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libcli11-dev
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev libgl-dev qt6-translations-l10n
  fonts-noto-cjk locales ccache
  libhdf5-dev python3 python3-numpy python3-pytest python3-h5py
  python3-xarray python3-h5netcdf python3-pandas python3-setuptools
  qt6-httpserver-dev qt6-websockets-dev openssl chromium chromium-driver python3-selenium
  python3-matplotlib file help2man
)
# The window-placement test starts the program under a real window manager.
PACKAGES+=(xvfb openbox x11-utils xdotool)
if [ "${VMF_WITH_MINGW:-0}" = 1 ]; then PACKAGES+=(g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix); fi
# The Windows build run under Wine (scripts/wine-check.sh): GoogleTest as
# source for the cross compiler, ccache so a second run compiles nothing.
if [ "${VMF_WITH_WINE:-0}" = 1 ]; then
  PACKAGES+=(g++-mingw-w64-x86-64 wine64 googletest ccache python3)
fi
if [ "${VMF_WITH_XVFB:-0}" = 1 ]; then PACKAGES+=(xvfb); fi
if [ "${VMF_WITH_PACKAGING:-0}" = 1 ]; then
  PACKAGES+=(dpkg-dev lintian desktop-file-utils shared-mime-info libxml2-utils libglib2.0-bin file)
fi
# scripts/fuzz.sh: clang with libFuzzer and the sanitizer runtimes.
if [ "${VMF_WITH_CLANG:-0}" = 1 ]; then PACKAGES+=(clang libclang-rt-14-dev); fi
# The Windows build: cross compiler (posix threads), the source package tools
# for Debian's Qt source, Wine on a virtual display for the tests, NSIS for the
# installer, Qt's translations to ship.
if [ "${VMF_WITH_WINDOWS:-0}" = 1 ]; then
  PACKAGES+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix dpkg-dev perl
    wine wine64 xvfb x11-utils xdotool imagemagick fontconfig nsis zip qt6-translations-l10n
    libz-mingw-w64-dev xz-utils icoutils python3-h5py)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

line="apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sh -c "$line"
elif command -v sudo >/dev/null 2>&1; then
  sudo sh -c "$line"
else
  echo "Missing packages. Run as root:" >&2
  echo "  $line" >&2
  exit 1
fi
