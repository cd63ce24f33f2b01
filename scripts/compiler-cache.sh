# Sourced by the build scripts: compiles through ccache when it is there, with
# paths taken relative to the checkout, so a fresh clone in another folder (CI)
# reuses what earlier builds on this machine compiled.
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(pwd)}"
  # With debug information ccache would otherwise hash the build folder too,
  # and a clone in another folder would compile everything again.
  export CCACHE_NOHASHDIR=1
fi
