"""A full store, ten heads of 86 399 records (2 GB) with times: the lazy
reader's view of one head's 1 000 records holds exactly what load() copies,
and each reader stays within its memory bound. Each reader runs in a process
of its own, so the peak of one is not the other's."""

import json
import pathlib
import shutil
import struct
import subprocess
import sys
import tempfile

import numpy as np
import pytest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
import vqdata  # noqa: E402
from vqtest import sample_head, trailer, vqdata_bytes  # noqa: E402

HEADS, RECORDS, C = 10, 86399, 288
HEAD, FIRST = 7, 40000


def write_full_store(path: pathlib.Path) -> None:
    empty = vqdata_bytes([sample_head(C, 0, a + 1) for a in range(HEADS)], [], "")
    record = np.dtype([("exp", "<i4"), ("temp", "<f4"), ("pairs", "<f4", (C, 2))])
    times = np.zeros(RECORDS, [("utc", "<i8"), ("offset", "<i4")])
    section = struct.pack("<I", HEADS)
    with open(path, "wb") as f:
        # The layout up to the record blocks: all but the ten empty counts and history.
        f.write(empty[:len(empty) - 4 * HEADS - 1])
        for a in range(HEADS):
            f.write(struct.pack("<i", RECORDS))
            for r0 in range(0, RECORDS, 8192):
                r = np.arange(r0, min(r0 + 8192, RECORDS))
                block = np.zeros(r.size, record)
                block["exp"], block["temp"] = 10000 + r % 100, 20 + r * np.float32(1e-4)
                block["pairs"][:, :, 0] = np.arange(C) + 1000 * a + (r % 997)[:, None]
                block["pairs"][:, :, 1] = block["pairs"][:, :, 0] * 0.5 - a
                f.write(block.tobytes())
            times["utc"] = 1796692530000 + 1000 * np.arange(RECORDS) + a
            times["utc"][::5000] = 0  # records without a time
            times["offset"] = 32400
            section += struct.pack("<I", RECORDS) + times.tobytes()
        f.write(b"\x00" + trailer(sections=[(b"TIME", section)]))


@pytest.fixture(scope="module")
def full_store(tmp_path_factory):
    # In memory when the machine has a roomy tmpfs: 2 GB written to a disk
    # take longer than everything else here.
    shm = pathlib.Path("/dev/shm")
    if shm.is_dir() and shutil.disk_usage(shm).free > 6 << 30:
        folder = pathlib.Path(tempfile.mkdtemp(dir=shm))
    else:
        folder = tmp_path_factory.mktemp("full")
    path = folder / "full.vqdata"
    try:
        write_full_store(path)
        yield path
    finally:
        shutil.rmtree(folder)


# Runs one reader in a fresh interpreter: the peak resident memory above what
# the interpreter with numpy had before, the seconds taken, the arrays read.
READER = r"""
import json, resource, sys, time
import numpy as np
sys.path.insert(0, sys.argv[1])
import vqdata
mode, path, out, head, first = sys.argv[2], sys.argv[3], sys.argv[4], int(sys.argv[5]), int(sys.argv[6])
def status_kb(key):
    for line in open("/proc/self/status"):
        if line.startswith(key + ":"):
            return int(line.split()[1])
# The peak starts again from what the interpreter holds now (Linux), so the
# import's passing peak does not hide the reader's.
try:
    open("/proc/self/clear_refs", "w").write("5")
    before, peak_kb = status_kb("VmRSS"), lambda: status_kb("VmHWM")
except OSError:
    peak_kb = lambda: resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    before = peak_kb()
start, cpu = time.perf_counter(), time.process_time()
if mode == "open":
    h = vqdata.open(path, heads=head, records=slice(first, first + 1000)).heads[0]
    rows = slice(None)
else:
    h = vqdata.load(path).heads[head]
    rows = slice(first, first + 1000)
arrays = {k: np.array(getattr(h, k)[rows]) for k in
          ("rec_raw", "rec_processed", "rec_exposure_us", "rec_temperature_c", "rec_time_utc_ms")}
seconds, cpu = time.perf_counter() - start, time.process_time() - cpu
peak = peak_kb() - before
np.savez(out, times=h.times()[rows], **arrays)
print(json.dumps({"peak_mb": peak / 1024, "seconds": seconds, "cpu": cpu}))
"""


def read_in_own_process(mode, path, out):
    run = subprocess.run(
        [sys.executable, "-c", READER, str(pathlib.Path(vqdata.__file__).parent), mode,
         str(path), str(out), str(HEAD), str(FIRST)],
        capture_output=True, check=False)
    assert run.returncode == 0, run.stderr.decode()
    return json.loads(run.stdout), np.load(out)


def test_open_of_1000_records_equals_load_within_memory_bounds(full_store, tmp_path):
    lazy, got = read_in_own_process("open", full_store, tmp_path / "open.npz")
    full, want = read_in_own_process("load", full_store, tmp_path / "load.npz")
    for name in want.files:
        assert got[name].dtype == want[name].dtype, name
        assert got[name].tobytes() == want[name].tobytes(), name
    assert got["rec_raw"].shape == (1000, C)
    assert got["rec_raw"][0, 5] == 1000 * HEAD + 5 + FIRST % 997
    assert str(got["times"][0]) == "NaT" and str(got["times"][1]) == "2026-12-08T12:22:11.007"
    size_mb = full_store.stat().st_size / 2**20
    print(f"\nopen + 1000 records: {lazy['peak_mb']:.1f} MB above the interpreter, "
          f"{lazy['seconds']:.3f} s ({lazy['cpu']:.3f} s CPU); load: {full['peak_mb']:.0f} MB "
          f"for {size_mb:.0f} MB ({full['peak_mb'] / size_mb:.3f} x), {full['seconds']:.1f} s "
          f"({full['cpu']:.1f} s CPU)")
    assert lazy["peak_mb"] <= 50
    assert full["peak_mb"] <= 1.1 * size_mb
