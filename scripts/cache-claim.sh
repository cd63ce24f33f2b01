# Sourced by the scripts that build into the per-user cache (qt-mingw.sh,
# hdf5-mingw.sh); they define `log`, `complete`, `cache_root` and `prefix`.
#
# cache_claim LOCKNAME [ARG]: ends the script with the prefix on standard
# output when the cache is complete, with 3 when ARG is --cached (the caller
# only asked), and otherwise returns holding the cache's lock. One build at a
# time per cache: a second run (another checkout, CI while a developer's
# build goes on) waits, then finds the result or resumes it.
cache_found() {
  if complete; then
    log "cached: $prefix"
    echo "$prefix"
    exit 0
  fi
}
cache_claim() { # lockname [first argument of the script]
  cache_found
  [ "${2:-}" = --cached ] && exit 3
  mkdir -p "$cache_root"
  exec 9>"$cache_root/.$1.lock"
  if ! flock -n 9; then
    log "another build runs in $cache_root; waiting for it"
    flock 9
  fi
  cache_found
}
