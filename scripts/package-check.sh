#!/usr/bin/env bash
# Runs the README's "Install (Linux)" commands exactly as written (as root,
# as the README says): packages, the release build, cpack, apt-get install.
# Then checks what the package ships: the installed programs start, lintian
# without errors, the menu entry (desktop-file-validate), the .vqdata MIME
# type (update-mime-database on a temporary tree must register it), that the
# desktop then opens .vqdata files with the program, and the package's file
# list. The package is removed again at the end.
# Usage: scripts/package-check.sh
set -euo pipefail
cd "$(dirname "$0")/.."
VMF_WITH_PACKAGING=1 scripts/deps.sh
tmp=$(mktemp -d)
cleanup() {
  rm -rf "$tmp"
  if dpkg-query -W -f='${Status}' varnello-mf 2>/dev/null | grep -q "install ok installed"; then
    apt-get remove -y -q varnello-mf >/dev/null
  fi
}
trap cleanup EXIT
fail() { echo "package-check: $*" >&2; exit 1; }

# The code block of the README's section, run line by line as a newcomer's
# shell would.
install=$(awk '/^## Install \(Linux\)/ { s = 1; next } s && /^## / { exit }
  s && /^```sh$/ { c = 1; next } c && /^```$/ { exit } c' README.md)
[ -n "$install" ] || fail "README.md has no Install (Linux) commands"
echo "package-check: running the README's install commands:"
echo "$install" | sed 's/^/  /'
# Through ccache like every build here (the commands read it from the
# environment), so CI does not compile the release build afresh each time.
. scripts/compiler-cache.sh
t0=$(date +%s)
bash -e -c "$install" >"$tmp/install.log" 2>&1 || { tail -40 "$tmp/install.log" >&2; fail "the README's install commands failed"; }
echo "package-check: README install took $(($(date +%s) - t0)) s"
deb=$(ls build/release/varnello-mf_*.deb)
/usr/bin/varnello-cli --help >/dev/null || fail "the installed varnello-cli does not start"
QT_QPA_PLATFORM=offscreen VMF_INSTANCE_LOCK=vmf-package-check /usr/bin/varnello_mf --help >/dev/null ||
  fail "the installed varnello_mf does not start"
[ -f /usr/share/doc/varnello-mf/THIRD-PARTY-NOTICES ] || fail "no third-party notices installed"

# lintian: warnings are shown, errors fail.
lintian --tag-display-limit 0 "$deb" | tee "$tmp/lintian.txt" || true
if grep -q '^E:' "$tmp/lintian.txt"; then fail "lintian reports errors"; fi

dpkg-deb -x "$deb" "$tmp/root"
desktop-file-validate "$tmp/root/usr/share/applications/varnello_mf.desktop" ||
  fail "the menu entry is not valid"
grep -qx 'MimeType=application/x-vqdata;' "$tmp/root/usr/share/applications/varnello_mf.desktop" ||
  fail "the menu entry does not name the data file type"

mkdir -p "$tmp/mime/packages"
cp "$tmp/root/usr/share/mime/packages/varnello_mf.xml" "$tmp/mime/packages/"
xmllint --noout "$tmp/mime/packages/varnello_mf.xml" || fail "the MIME definition is not well-formed"
XDG_DATA_HOME="$tmp" update-mime-database "$tmp/mime" 2>"$tmp/mime.err" ||
  fail "update-mime-database failed"
if [ -s "$tmp/mime.err" ]; then cat "$tmp/mime.err" >&2; fail "the MIME definition has errors"; fi
grep -q 'application/x-vqdata:\*\.vqdata' "$tmp/mime/globs" ||
  fail "the MIME database does not map *.vqdata to application/x-vqdata"

# What a desktop sees once the package is installed: a .vqdata file is of the
# new type, and the program is its default application.
cp -r "$tmp/mime" "$tmp/root/usr/share/"
update-desktop-database "$tmp/root/usr/share/applications"
printf '\0\0\0\0\0\0\0\0\0' >"$tmp/probe.vqdata"  # an empty store
desktop() {
  env PATH="$tmp/root/usr/bin:$PATH" XDG_DATA_DIRS="$tmp/root/usr/share" \
    XDG_DATA_HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home" "$@"
}
# (Outputs are taken whole first: grep -q ending a pipe early fails it under pipefail.)
type=$(desktop gio info -a standard::content-type "$tmp/probe.vqdata")
grep -q 'content-type: application/x-vqdata' <<<"$type" || fail "a .vqdata file is not recognised"
apps=$(desktop gio mime application/x-vqdata)
grep -q '^Default application.*varnello_mf.desktop' <<<"$apps" ||
  fail "the program is not the default application for .vqdata files"

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$tmp/files.txt"
for f in /usr/bin/varnello_mf /usr/bin/varnello-cli \
         /usr/share/applications/varnello_mf.desktop \
         /usr/share/mime/packages/varnello_mf.xml \
         /usr/share/doc/varnello-mf/copyright /usr/share/doc/varnello-mf/THIRD-PARTY-NOTICES \
         /usr/share/man/man1/varnello_mf.1.gz /usr/share/man/man1/varnello-cli.1.gz \
         /usr/lib/python3/dist-packages/vqdata.py; do
  grep -qx "$f" "$tmp/files.txt" || fail "the package lacks $f"
done
for n in 16 22 24 32 48 64 128 256; do
  icon=/usr/share/icons/hicolor/${n}x${n}/apps/varnello_mf.png
  grep -qx "$icon" "$tmp/files.txt" || fail "the package lacks $icon"
  [[ $(file "$tmp/root$icon") == *"PNG image data, $n x $n"* ]] || fail "$icon is not a $n x $n PNG"
done
PYTHONPATH="$tmp/root/usr/lib/python3/dist-packages" /usr/bin/python3 -c 'import vqdata' ||
  fail "the packaged vqdata module does not import"
depends=$(dpkg-deb -f "$deb" Depends)
grep -q 'libqt6widgets6' <<<"$depends" || fail "no dependency on Qt"
grep -q 'libhdf5' <<<"$depends" || fail "no dependency on HDF5"
grep -q 'libstdc++6' <<<"$depends" || fail "no dependency on the C++ runtime"
echo "package-check: $(basename "$deb") passed"
