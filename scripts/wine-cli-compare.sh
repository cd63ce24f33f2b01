#!/usr/bin/env bash
# varnello-cli.exe under Wine through the stand-in KVWinUSBIF.dll, against the
# Linux build on the same bench and seed:
#  - detect goes through the library binding and lists the bench's devices;
#  - acquire --count 50 writes a file whose info output equals the Linux
#    build's, apart from the time stamps of the history and the title.
# Usage: scripts/wine-cli-compare.sh [WINDOWS_BUILD_FOLDER]  (default build/wine)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build/wine}
. scripts/wine-env.sh

winpath() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

exe=$build/src/cli/varnello-cli.exe
dll=$build/tests/device/standin/KVWinUSBIF.dll
linux=build/ci/src/cli/varnello-cli
if [ ! -x $linux ]; then
  cmake --preset ci >/dev/null
  ninja -C build/ci -j2 varnello-cli
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bench="0:led16;1:head:SN000001;4:head:SN000004;6:mirror;scene=white;timescale=0;seed=7"

VMF_DLL=$(winpath $dll) VMF_BENCH="$bench" vmf_wine $exe detect >$work/detect.json
VMF_DLL=$(winpath $dll) VMF_BENCH="$bench" vmf_wine $exe acquire --count 50 \
  --out "$(winpath $work/windows.vqdata)" >/dev/null
VMF_BENCH="$bench" $linux acquire --count 50 --out $work/linux.vqdata >/dev/null
$linux info --records $work/linux.vqdata >$work/linux-info.json
$linux info --records $work/windows.vqdata >$work/windows-info.json
vmf_wine $exe info --records "$(winpath $work/windows.vqdata)" >$work/windows-info-wine.json

python3 - "$work" <<'EOF'
import json, re, sys
work = sys.argv[1]
detect = json.load(open(f"{work}/detect.json", encoding="utf-8"))
problems = []
# The status names the library VMF_DLL bound, with the path it was given.
if not detect["library"].endswith("\\KVWinUSBIF.dll で動作中"):
    problems.append(f"detect used {detect['library']!r}, not the library")
if [d["number"] for d in detect["devices"]] != [0, 1, 4, 6]:
    problems.append(f"detect listed {detect['devices']}")
if [h["device"] for h in detect["heads"]] != [1, 4]:
    problems.append(f"detect found heads {detect['heads']}")

def drop_record_times(node):
    # Each record's own time differs between two runs, like the history's.
    if isinstance(node, dict):
        return {k: drop_record_times(v) for k, v in node.items()
                if k not in ("utcMs", "utcOffsetS", "time")}
    if isinstance(node, list):
        return [drop_record_times(v) for v in node]
    return node

def without_times(path):
    data = json.load(open(path, encoding="utf-8"))
    text = json.dumps(drop_record_times(data), ensure_ascii=False, indent=1)
    text = re.sub(r"\d{4}/\d\d/\d\d \d\d:\d\d:\d\d,", "<time>,", text)
    return re.sub(r"_\d{8}_\d{6}", "_<time>", text)

linux = without_times(f"{work}/linux-info.json")
for name in ("windows-info.json", "windows-info-wine.json"):
    if without_times(f"{work}/{name}") != linux:
        problems.append(f"{name} differs from the Linux build's info")
for p in problems:
    print("wine-cli-compare:", p, file=sys.stderr)
if problems:
    sys.exit(1)
print("wine-cli-compare: detect through KVWinUSBIF.dll, heads at 1 and 4; "
      "50 records equal to the Linux build's")
EOF
