#!/usr/bin/env bash
# Builds the Windows program (varnello_mf.exe, varnello-cli.exe) against the
# cross-built Qt of scripts/qt-mingw.sh and HDF5 of scripts/hdf5-mingw.sh and
# packs what an operator installs:
#   build/windows/dist/varnello_mf-<version>/            the program folder
#   build/windows/dist/varnello_mf-<version>-win64.zip   the same, portable
#   build/windows/dist/varnello_mf-<version>-setup.exe   the NSIS installer
# The DLLs shipped are exactly those the programs and plugins import, found
# by reading their import tables, so a module the build starts to use (Qt
# Charts) is shipped without touching this script. The folder also holds the
# licence, the third-party notices (with where this Qt's sources are) and
# the licence texts of what it carries.
set -euo pipefail
cd "$(dirname "$0")/.."
VMF_WITH_WINDOWS=1 scripts/deps.sh
qt=$(scripts/qt-mingw.sh | tail -n 1)
[ -f "$qt/.qtbase-complete" ] || { echo "windows-package: no Qt at '$qt'" >&2; exit 1; }
export VMF_QT_MINGW=$qt
# HDF5 only adds the export: a build where it cannot be had goes on without.
h5=$(scripts/hdf5-mingw.sh | tail -n 1) || h5=
[ -f "$h5/.hdf5-complete" ] || { echo "windows-package: no HDF5 for Windows: built without the HDF5 export" >&2; h5=; }

# The icon files come from the drawing the program uses, exported by a
# small host build (only the exporter, no tests).
host=build/windows-host
cmake -S . -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVMF_TESTS=OFF -DVMF_BENCH=OFF >/dev/null
cmake --build "$host" --target varnello_icons -- -j "${VMF_JOBS:-2}" >/dev/null
icons=$(realpath "$host/icons")

# A build tree keeps the toolchain it was configured with: another Qt (new
# options, new hash) needs a fresh one.
if [ "$(cat build/windows/.qt-prefix 2>/dev/null)" != "$qt" ]; then
  rm -rf build/windows
  mkdir -p build/windows
  echo "$qt" >build/windows/.qt-prefix
fi
cmake --preset windows -DVMF_HDF5_MINGW="$h5" -DVMF_WINDOWS_ICONS="$icons" >/dev/null
cmake --build --preset windows --target varnello_mf varnello-cli -- -j "${VMF_JOBS:-2}"

version=$(sed -n 's/^project(varnello_mf VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
out=build/windows/dist
stage=$out/varnello_mf-$version
rm -rf "$stage" "$out"/*.zip "$out"/*-setup.exe
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations"

cp build/windows/src/app/varnello_mf.exe build/windows/src/cli/varnello-cli.exe "$stage/"
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
cp /usr/share/qt6/translations/qtbase_ja.qm "$stage/translations/"
# Plugins beside the program (Qt's default search), translations in their
# folder; Qt reads this file from the program's folder.
printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' >"$stage/qt.conf"

# Copies every DLL the given binaries import that is not part of Windows,
# then what those import, until nothing new turns up.
dll_dirs=("$qt/bin" /usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib)
copy_imports() {
  local pending=("$@") next bin dll dir
  while [ ${#pending[@]} -gt 0 ]; do
    next=()
    for bin in "${pending[@]}"; do
      for dll in $(x86_64-w64-mingw32-objdump -p "$bin" | sed -n 's/^\s*DLL Name: //p'); do
        [ -e "$stage/$dll" ] && continue
        for dir in "${dll_dirs[@]}"; do
          if [ -f "$dir/$dll" ]; then
            cp "$dir/$dll" "$stage/"
            next+=("$stage/$dll")
            break
          fi
        done
      done
    done
    pending=("${next[@]+"${next[@]}"}")
  done
}
copy_imports "$stage"/*.exe "$stage"/platforms/*.dll "$stage"/styles/*.dll
# Qt Network finds its TLS backend as a plugin: with the library shipped,
# Windows' own (Schannel) goes beside it.
if [ -f "$stage/Qt6Network.dll" ] && [ -f "$qt/plugins/tls/qschannelbackend.dll" ]; then
  mkdir -p "$stage/tls"
  cp "$qt/plugins/tls/qschannelbackend.dll" "$stage/tls/"
  copy_imports "$stage/tls/qschannelbackend.dll"
fi

# What the folder carries and under which licences (text files with the
# line ends Windows' editors expect).
crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }
crlf LICENSE "$stage/LICENSE"
crlf /usr/share/common-licenses/LGPL-3 "$stage/LICENSE.LGPL-3"
notices=$(mktemp)
{
  cat THIRD-PARTY-NOTICES
  printf '\n\nSources of this Qt\n------------------\n'
  cat "$qt/SOURCES.txt"
  echo "Debian's source packages: https://deb.debian.org/debian/pool/main/q/ (qt6-base,"
  echo "qt6-charts, qt6-websockets, qt6-httpserver); the upstream tarballs are"
  echo "\`git archive --prefix=<module>-everywhere-src-6.4.2/ v6.4.2\` of the Qt"
  echo "project's public repositories (https://code.qt.io/cgit/qt/<module>.git)."
  # Qt's bundled third-party code and the modules' licence texts.
  for dir in "$qt"/licenses/*/; do
    m=$(basename "$dir")
    while IFS= read -r -d '' f; do
      printf '\n\n%s: %s\n%s\n' "$m" "${f#"$dir"}" "--------------------------------------------------------------------------"
      cat "$f"
    done < <(find "$dir" -type f ! -name .complete -print0 | sort -z)
  done
  if [ -n "$h5" ]; then
    printf '\n\nHDF5 (built in)\n---------------\n'
    cat "$h5/COPYING"
  fi
  for pkg in libz-mingw-w64 mingw-w64-common gcc-mingw-w64-base; do
    printf '\n\n%s (Debian copyright file)\n------------------------------------------\n' "$pkg"
    cat "/usr/share/doc/$pkg/copyright"
  done
} >"$notices"
crlf "$notices" "$stage/THIRD-PARTY-NOTICES"
rm -f "$notices"

x86_64-w64-mingw32-strip "$stage"/*.exe "$stage"/*.dll "$stage"/*/*.dll

(cd "$out" && zip -qr "varnello_mf-$version-win64.zip" "varnello_mf-$version")

# The uninstaller removes exactly the files installed, listed here.
list=$out/installed-files.nsh
(cd "$stage" && find . -type f | sed 's|^\./||' | sort) | while read -r f; do
  printf 'Delete "$INSTDIR\\%s"\n' "${f//\//\\}"
done >"$list"
(cd "$stage" && find . -mindepth 1 -type d | sed 's|^\./||' | sort -r) | while read -r d; do
  printf 'RMDir "$INSTDIR\\%s"\n' "${d//\//\\}"
done >>"$list"
makensis -V2 -DVERSION="$version" -DSTAGE="$(realpath "$stage")" -DFILELIST="$(realpath "$list")" \
  -DOUTFILE="$(realpath "$out")/varnello_mf-$version-setup.exe" packaging/windows/varnello_mf.nsi

echo "windows-package: shipped files"
(cd "$stage" && find . -type f -printf '%10s  %P\n' | sort -k2)
du -sh "$stage" "$out"/*.zip "$out"/*-setup.exe
