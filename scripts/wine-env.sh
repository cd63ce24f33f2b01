#!/usr/bin/env bash
# Source this to run Windows builds under Wine the same way every time:
#   . scripts/wine-env.sh && vmf_wine build/wine/foo.exe --flag
# The Wine prefix lives in the per-user cache, so it is created once per user
# and machine (the first creation takes a minute; later runs reuse it).
# Wine's own diagnostics are switched off: they would drown the tests' output.

VMF_WINE64=${VMF_WINE64:-$(command -v wine64 || echo /usr/lib/wine/wine64)}
export WINEPREFIX=${VMF_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/varnello_mf/wine64-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64
# The MinGW-w64 runtime DLLs, for programs not linked statically.
_vmf_gcc=$(ls -d /usr/lib/gcc/x86_64-w64-mingw32/*-posix 2>/dev/null | sort -V | tail -n 1)
for _vmf_dir in $_vmf_gcc /usr/x86_64-w64-mingw32/lib; do
  WINEPATH="${WINEPATH:+$WINEPATH;}Z:${_vmf_dir//\//\\}"
done
export WINEPATH
unset _vmf_gcc _vmf_dir
# No dialog boxes from Wine itself (crash reports, Mono/Gecko installers).
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}

# Creates the prefix on first use and waits until it is ready.
vmf_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    "$VMF_WINE64" wineboot --init >/dev/null 2>&1 || true
    "${VMF_WINESERVER:-$(command -v wineserver || echo /usr/lib/wine/wineserver64)}" -w
  fi
}

# Runs a Windows program; its exit code is the program's.
vmf_wine() {
  vmf_wine_prefix
  "$VMF_WINE64" "$@"
}
