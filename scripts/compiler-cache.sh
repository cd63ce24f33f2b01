# Sourced by the build scripts: compiles through ccache when it is there, with
# paths taken relative to the checkout, so a fresh clone in another folder (CI)
# reuses what earlier builds on this machine compiled.
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(pwd)}"
fi
