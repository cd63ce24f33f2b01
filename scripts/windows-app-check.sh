#!/usr/bin/env bash
# The Windows program as an operator gets it, run under Wine on a virtual
# display, in a Wine prefix of this run's own (two checks at once never meet):
#  1. builds Qt (with its modules) and HDF5 for Windows if the cache lacks
#     them, the programs and packages (scripts/windows-package.sh); the
#     program folder holds LICENSE and THIRD-PARTY-NOTICES, and the program
#     its two icons;
#  2. on the simulated bench and on the stand-in device library: detect, a
#     logged measurement, File Save As; the saved file's `info` must equal the
#     Linux build's for the same bench and script (history time stamps aside);
#  3. a second start while the first runs ends at once with 0, and hands the
#     file it was given to the running program, which opens it;
#  4. the settings are in the registry (read back with reg query);
#  5. the recorded file in the trend window: a value chosen, a point clicked;
#     Qt's own texts in Japanese; screenshots for a person to look at;
#  6. an HDF5 export by varnello-cli.exe equals the Linux build's, dataset by
#     dataset (h5py); the live view of varnello-cli.exe acquire --serve
#     answers its status and stream, and refuses a request without the token;
#  7. the installer: its Japanese licence page (screenshot), silent install
#     with the document icon registered, the installed program opens a
#     .vqdata through the registered file type, silent uninstall leaves
#     nothing, the file type's icon included.
# Output: build/windows/check/ (screenshots, saved files, logs).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
t0=$(date +%s)
unset VMF_BENCH VMF_DLL
step() { echo "windows-app-check: $*"; }
fail() { echo "windows-app-check: FAILED: $*" >&2; exit 1; }

scripts/windows-package.sh
t_built=$(date +%s)
version=$(sed -n 's/^project(varnello_mf VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
dist=$repo/build/windows/dist
stage=$dist/varnello_mf-$version
cmake --build --preset windows --target KVWinUSBIF >/dev/null
standin=$repo/build/windows/tests/device/standin/KVWinUSBIF.dll

step "program folder: licence, notices, icons"
for f in LICENSE LICENSE.LGPL-3 THIRD-PARTY-NOTICES; do
  [ -s "$stage/$f" ] || fail "the program folder lacks $f"
done
grep -q 'GNU GENERAL PUBLIC LICENSE' "$stage/LICENSE" || fail "LICENSE is not the GPL"
grep -q 'Sources of this Qt' "$stage/THIRD-PARTY-NOTICES" || fail "the notices do not say where Qt's sources are"
# Resource type 14 is an icon group: 1 the program's, 2 its data files'.
icons=$(wrestool -l --type=14 "$stage/varnello_mf.exe" 2>/dev/null || true)
for n in 1 2; do
  grep -q -- "--name=$n " <<<"$icons" || { echo "$icons" >&2; fail "varnello_mf.exe lacks icon group $n"; }
done
wrestool -x --type=14 --name=1 "$stage/varnello_mf.exe" >/dev/null 2>&1 || fail "icon group 1 unreadable"
has_trend=0
[ -f "$stage/Qt6Charts.dll" ] && has_trend=1
has_hdf5=0
# HDF5 is linked statically: its version text is in the programs.
if grep -aq 'HDF5 library version: ' "$stage/varnello-cli.exe"; then
  has_hdf5=1
  grep -aq 'HDF5 library version: ' "$stage/varnello_mf.exe" && grep -aq 'HDF5 形式で書き出し(&H)' "$stage/varnello_mf.exe" ||
    fail "varnello_mf.exe lacks the File menu's HDF5 export"
fi
has_live=0
[ -f "$stage/Qt6HttpServer.dll" ] && has_live=1
built() { [ "$1" = 1 ] && echo built || echo "LEFT OUT ($2)"; }
step "trend window: $(built $has_trend 'no Qt Charts'), HDF5 export: $(built $has_hdf5 'no HDF5')," \
  "live view: $(built $has_live 'no Qt HTTP Server')"

# The Linux build gives the reference files.
cmake --preset ci >/dev/null
cmake --build --preset ci --target varnello_mf varnello-cli >/dev/null
linux_app=$repo/build/ci/src/app/varnello_mf
linux_cli=$repo/build/ci/src/cli/varnello-cli

out=$repo/build/windows/check
rm -rf "$out"
mkdir -p "$out"

# A fresh prefix for every run, as a new Windows user has: this check
# installs, uninstalls and resets settings, the program's named mutex is
# shared by everything in one prefix, and ending the run ends that prefix's
# Wine only.
mkdir -p build/windows
export VMF_WINEPREFIX=${VMF_APP_WINEPREFIX:-$(mktemp -d "$repo/build/windows/wine-check.XXXXXX")}
# shellcheck source=scripts/wine-env.sh
. scripts/wine-env.sh
vmf_wine_prefix
# The shipped folder must hold every DLL it needs: the compiler's runtime
# folders that wine-env.sh puts on the search path would hide a missing one.
unset WINEPATH
wineserver_bin=${VMF_WINESERVER:-$(command -v wineserver || echo /usr/lib/wine/wineserver64)}
w() { "$VMF_WINE64" "$@"; }
winpath() { w winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# A display of its own for the run.
display=
for n in $(seq 69 120); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=$n; break; fi
done
[ -n "$display" ] || fail "no free X display"
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
xvfb=$!
cleanup() {
  "$wineserver_bin" -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  [ -n "${VMF_APP_WINEPREFIX:-}" ] || rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
export DISPLAY=:$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# The Japanese texts are drawn with Noto Sans CJK JP, named explicitly: Wine's
# own fallback would make the screenshots depend on what the machine has.
fontfile=$(fc-match -f '%{file}' 'Noto Sans CJK JP:style=Regular')
[ -f "$fontfile" ] || fail "Noto Sans CJK JP not found (fonts-noto-cjk)"
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp -f "$fontfile" "$WINEPREFIX/drive_c/windows/Fonts/"
w reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' /v 'Noto Sans CJK JP (TrueType)' \
  /t REG_SZ /d "$(basename "$fontfile")" /f >/dev/null
# The installer's Japanese pages ask for the face of NSIS's Japanese file.
for face in 'MS Shell Dlg' 'MS Shell Dlg 2' 'Tahoma' 'Segoe UI' 'MS UI Gothic' 'Meiryo UI' 'ＭＳ Ｐゴシック'; do
  w reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d 'Noto Sans CJK JP' /f >/dev/null
done
# Earlier runs' settings and installs go, so every run starts as a first start.
w reg delete 'HKCU\Software\VarnelloMF' /f >/dev/null 2>&1 || true
"$wineserver_bin" -w

# The measurement every run makes: detect, logging and a 300 ms interval on,
# start, stop after the third record (between cycles, so every run stops at
# the same point), save.
script() {
  echo "click ctrl1002; check ctrl1014 1; check ctrl1016 1; text ctrl1017 300; click ctrl1001;" \
    "records 3; click ctrl1001; idle; saveas $1; wait ${2:-0}; quit"
}
bench='0:head:SN000001;1:head:SN000002;2:led16;3:mirror;scene=halogen;timescale=0;seed=7'

# History time stamps ("2026/12/08 09:14:50,") differ between runs.
info_of() { "$linux_cli" info "$1" | sed -E 's#[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2},#<time>,#g'; }

# The Linux program on the same bench with the same script.
linux_reference() { # name bench
  VMF_TEST_SCRIPT=$(script "$out/$1.vqdata") QT_QPA_PLATFORM=offscreen VMF_INSTANCE_LOCK=vmf-app-check-$$ \
    XDG_CONFIG_HOME=$out/linux-config "$linux_app" --bench "$2" 2>"$out/$1.log" ||
    fail "Linux run (see $out/$1.log)"
  info_of "$out/$1.vqdata" >"$out/$1.info"
}
step "Linux reference run"
linux_reference linux "$bench"

# Runs the Windows program from the program folder with a script; the run
# waits `hold` ms after saving so the shell can look at the window meanwhile.
# Sets run_pid.
run_windows() { # name exe hold [args...]
  local name=$1 exe=$2 hold=$3
  shift 3
  VMF_TEST_SCRIPT=$(script "$(winpath "$out/$name.vqdata")" "$hold") w "$exe" "$@" >"$out/$name.log" 2>&1 &
  run_pid=$!
}
# Prints the name of the first window whose name matches, once there is one.
wait_for_window() { # pattern seconds
  local name
  for _ in $(seq $(($2 * 10))); do
    name=$(xdotool search --name "$1" getwindowname 2>/dev/null | head -n 1 || true)
    [ -n "$name" ] && { echo "$name"; return 0; }
    sleep 0.1
  done
  return 1
}
wait_for_line() { # file pattern seconds
  for _ in $(seq $(($3 * 10))); do grep -q "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
  return 1
}

step "Windows program on the simulated bench"
t_run=$(date +%s)
run_windows sim "$stage/varnello_mf.exe" 20000 --bench "$bench"
pid=$run_pid
# Step 9 (save) done: the window shows the finished measurement for 20 s.
wait_for_line "$out/sim.log" 'vmf-test: step 9 done' 120 || { cat "$out/sim.log" >&2; fail "simulated run"; }
sleep 1
import -window root "$out/windows-sim.png"
caption=$(xdotool search --name 'varnello_mf' getwindowname 2>/dev/null | head -n 1 || true)
step "window caption: $caption"

step "second start while the first runs"
s0=$(date +%s%N)
rc=0
VMF_TEST_SCRIPT= w "$stage/varnello_mf.exe" --bench "$bench" >"$out/second.log" 2>&1 || rc=$?
s1=$(date +%s%N)
[ "$rc" -eq 0 ] || fail "second start exit code $rc"
ms=$(((s1 - s0) / 1000000))
[ "$ms" -lt 10000 ] || fail "second start took $ms ms"
grep -q 'step' "$out/second.log" && fail "second start ran the script"
step "second start ended with 0 after $ms ms"
kill -0 "$pid" 2>/dev/null || fail "first instance ended early"

rc=0
wait "$pid" || rc=$?
[ "$rc" -eq 0 ] || { cat "$out/sim.log" >&2; fail "simulated run ended with $rc"; }
info_of "$out/sim.vqdata" >"$out/sim.info"
diff -u "$out/linux.info" "$out/sim.info" || fail "Windows data file differs from the Linux one"
# The Windows command line reads its own file alike.
w "$stage/varnello-cli.exe" info "$(winpath "$out/sim.vqdata")" 2>/dev/null | tr -d '\r' |
  sed -E 's#[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2},#<time>,#g' >"$out/sim.cli-info"
diff -u "$out/linux.info" "$out/sim.cli-info" || fail "varnello-cli.exe info differs"
step "simulated bench: data file equals the Linux build's ($(($(date +%s) - t_run)) s)"

step "a second start hands its file to the running program"
# The first instance waits for the file; the second start is given it and
# ends at once.
VMF_TEST_SCRIPT="opened $(winpath "$out/sim.vqdata"); quit" w "$stage/varnello_mf.exe" --bench "$bench" \
  >"$out/handover-first.log" 2>&1 &
first=$!
wait_for_window 'varnello_mf' 30 >/dev/null || fail "the first instance shows no window"
rc=0
VMF_TEST_SCRIPT= w "$stage/varnello_mf.exe" "$(winpath "$out/sim.vqdata")" >"$out/handover-second.log" 2>&1 || rc=$?
[ "$rc" -eq 0 ] || fail "second start with a file ended with $rc"
rc=0
wait "$first" || rc=$?
[ "$rc" -eq 0 ] || { cat "$out/handover-first.log" >&2; fail "the running program did not open the handed-over file"; }
grep -q 'vmf-test: step 1 done' "$out/handover-first.log" || fail "the handed-over file was not opened"

step "the recorded file in the trend window; Qt's texts"
# The File Open dialog's and the edits' texts come from Qt's catalogue.
trend_steps=
[ $has_trend = 1 ] && trend_steps="trend 3; wait 1500; pick 50; wait 2500;"
VMF_TEST_SCRIPT="qttext QLineEdit|&Undo; $trend_steps quit" \
  w "$stage/varnello_mf.exe" "$(winpath "$out/sim.vqdata")" >"$out/trend.log" 2>&1 &
viewer=$!
if [ $has_trend = 1 ]; then
  wait_for_line "$out/trend.log" 'vmf-test: pick ' 120 || { cat "$out/trend.log" >&2; fail "trend window"; }
  sleep 1
  import -window root "$out/windows-trend.png"
fi
rc=0
wait "$viewer" || rc=$?
[ "$rc" -eq 0 ] || { cat "$out/trend.log" >&2; fail "trend run ended with $rc"; }
grep -q 'vmf-test: qttext 元に戻す(&U)' "$out/trend.log" || { cat "$out/trend.log" >&2; fail "Qt's texts are not Japanese"; }
if [ $has_trend = 1 ]; then
  grep -q 'vmf-test: pick 記録 [0-9]* を表示しています' "$out/trend.log" ||
    { cat "$out/trend.log" >&2; fail "a click on the trend did not move to a record"; }
  step "$(sed -n 's/.*vmf-test: pick //p' "$out/trend.log")"
fi

if [ $has_hdf5 = 1 ]; then
  step "HDF5 export: Windows against Linux"
  "$linux_cli" export "$out/sim.vqdata" --hdf5 "$out/linux.h5" >/dev/null
  w "$stage/varnello-cli.exe" export "$(winpath "$out/sim.vqdata")" --hdf5 "$(winpath "$out/windows.h5")" \
    >"$out/hdf5.log" 2>&1 || { cat "$out/hdf5.log" >&2; fail "varnello-cli.exe export --hdf5"; }
  /usr/bin/python3 - "$out/linux.h5" "$out/windows.h5" <<'PY' || fail "the Windows HDF5 export differs from the Linux one"
import sys
import h5py
import numpy as np

def datasets(path):
    found = {}
    with h5py.File(path, "r") as f:
        f.visititems(lambda name, obj: found.__setitem__(name, obj[()]) if isinstance(obj, h5py.Dataset) else None)
    return found

linux, windows = datasets(sys.argv[1]), datasets(sys.argv[2])
if sorted(linux) != sorted(windows):
    sys.exit(f"datasets differ: {sorted(set(linux) ^ set(windows))}")
for name, value in linux.items():
    if not np.array_equal(np.asarray(value), np.asarray(windows[name])):
        sys.exit(f"dataset {name} differs")
print(f"{len(linux)} datasets equal")
PY
fi

if [ $has_live = 1 ]; then
  step "live view: varnello-cli.exe acquire --serve under Wine"
  # The token asked for also from this computer, so the check goes through
  # the same refusal a colleague's computer meets.
  port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  printf 'wine-check-%s\n' "$$" >"$out/live-token.txt"
  token=$(head -n 1 "$out/live-token.txt")
  # Bounded: a program that cannot end (as once with its TLS backend) fails
  # the check instead of holding it.
  timeout 120 "$VMF_WINE64" "$stage/varnello-cli.exe" acquire --bench "$bench" --count 40 --interval 250 --serve "127.0.0.1:$port" \
    --token-file "$(winpath "$out/live-token.txt")" --token-always --out "$(winpath "$out/live.vqdata")" \
    >"$out/live.log" 2>&1 &
  live_pid=$!
  api=http://127.0.0.1:$port/api/v1
  status=
  for _ in $(seq 600); do
    status=$(curl -s --max-time 2 -H "Authorization: Bearer $token" "$api/status" || true)
    grep -q '"measuring":"measuring"\|"measuring":"interval"' <<<"$status" && break
    sleep 0.1
  done
  grep -q '"serialNo":"SN000001"' <<<"$status" && grep -q "\"version\":\"$version\"" <<<"$status" ||
    { cat "$out/live.log" >&2; echo "$status" >&2; fail "the live view's status under Wine"; }
  code=$(curl -s -o /dev/null -w '%{http_code}' --max-time 2 "$api/status" || true)
  [ "$code" = 401 ] || fail "the live view under Wine answered $code without the token"
  # Two stream messages, so the stream keeps going after its first.
  curl -s -N --max-time 10 -H "Authorization: Bearer $token" "$api/stream" 2>/dev/null |
    grep -m 2 '^data: ' >"$out/live-stream.txt" || true
  [ "$(grep -c '"spectrum":\[' "$out/live-stream.txt")" = 2 ] ||
    { cat "$out/live.log" >&2; fail "the live view's stream under Wine"; }
  rc=0
  wait "$live_pid" || rc=$?
  [ "$rc" -ne 124 ] || { cat "$out/live.log" >&2; fail "acquire --serve under Wine did not end"; }
  [ "$rc" -eq 0 ] || { cat "$out/live.log" >&2; fail "acquire --serve under Wine ended with $rc"; }
  step "live view: status, 401 without the token, stream messages"
fi

step "settings in the registry"
w reg query 'HKCU\Software\VarnelloMF\varnello_mf' /s | tr -d '\r' >"$out/registry.txt"
for expect in 'interval' 'time    REG_DWORD    0x12c' 'logging' 'go    REG_DWORD    0x1' 'Settings' 'right    REG_DWORD'; do
  grep -q "$expect" "$out/registry.txt" || { cat "$out/registry.txt" >&2; fail "registry lacks '$expect'"; }
done

step "Windows program on the stand-in device library"
# VMF_DLL binds the stand-in where it was built (it is never shipped) and
# leaves VMF_BENCH to it, so it serves the same bench as the run above.
rc=0
VMF_DLL=$(winpath "$standin") VMF_BENCH=$bench VMF_STANDIN_LOG=$(winpath "$out/standin-calls.txt") \
  VMF_TEST_SCRIPT=$(script "$(winpath "$out/standin.vqdata")") \
  w "$stage/varnello_mf.exe" >"$out/standin.log" 2>&1 || rc=$?
[ "$rc" -eq 0 ] || { cat "$out/standin.log" >&2; fail "stand-in run exit code $rc"; }
info_of "$out/standin.vqdata" >"$out/standin.info"
# Had the library not loaded, the program would have simulated the bench
# itself: the stand-in's call log shows it was the library that answered.
[ -s "$out/standin-calls.txt" ] || fail "the stand-in library was not used"
diff -u "$out/linux.info" "$out/standin.info" || fail "stand-in data file differs from the Linux one"

step "installer: its first page"
# As an operator starts it: the licence page, in Japanese. Closed unused.
w "$dist/varnello_mf-$version-setup.exe" >"$out/installer.log" 2>&1 &
installer=$!
wait_for_window 'varnello_mf' 30 >/dev/null || fail "the installer shows no window"
sleep 3
import -window root "$out/windows-installer.png"
w taskkill /F /IM "varnello_mf-$version-setup.exe" >/dev/null 2>&1 || true
wait "$installer" 2>/dev/null || true
"$wineserver_bin" -w

step "installer: silent install"
w "$dist/varnello_mf-$version-setup.exe" /S
"$wineserver_bin" -w
progdir=$WINEPREFIX/drive_c/Program\ Files/varnello_mf
[ -f "$progdir/varnello_mf.exe" ] || fail "not installed under Program Files"
(cd "$stage" && find . -type f | sort) >"$out/staged.txt"
(cd "$progdir" && find . -type f ! -name uninstall.exe | sort) >"$out/installed.txt"
diff -u "$out/staged.txt" "$out/installed.txt" || fail "installed files differ from the program folder"
ls "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/varnello_mf/varnello_mf.lnk" >/dev/null ||
  fail "no Start-menu entry"
w reg query 'HKLM\Software\Classes\.vqdata' | tr -d '\r' | grep -q 'varnellomf.Document' || fail ".vqdata not registered"
w reg query 'HKLM\Software\Classes\varnellomf.Document\DefaultIcon' | tr -d '\r' | grep -q 'varnello_mf.exe,1' ||
  fail "the document icon is not registered"

step "installed program opens a .vqdata through the file type"
rc=0
VMF_TEST_SCRIPT='wait 6000; quit' w start /wait /unix "$out/sim.vqdata" >"$out/open.log" 2>&1 &
opener=$!
title=$(wait_for_window 'sim\.vqdata' 15 || true)
# The caption comes before the first paint: the shot waits for the window
# to be drawn.
sleep 3
import -window root "$out/windows-open.png"
wait "$opener" || rc=$?
[ -n "$title" ] || fail "no window showing sim.vqdata"
[ "$rc" -eq 0 ] || fail "opening through the file type ended with $rc"
step "opened: $title"

step "installer: silent uninstall"
w "$progdir/uninstall.exe" /S
for _ in $(seq 300); do [ -e "$progdir" ] || break; sleep 0.2; done
"$wineserver_bin" -w
[ ! -e "$progdir" ] || { find "$progdir" >&2; fail "files left after uninstall"; }
[ ! -e "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/varnello_mf" ] ||
  fail "Start-menu entry left after uninstall"
if w reg query 'HKLM\Software\Classes\.vqdata' >/dev/null 2>&1; then fail ".vqdata still registered"; fi
if w reg query 'HKLM\Software\Classes\varnellomf.Document' >/dev/null 2>&1; then fail "file type still registered"; fi

t1=$(date +%s)
step "passed: build and packages $((t_built - t0)) s, Wine checks $((t1 - t_built)) s, total $((t1 - t0)) s"
step "screenshots: $(ls "$out"/*.png | tr '\n' ' ')"
