"""`varnello-cli export --hdf5` read back with h5py: every value equal to
`varnello-cli info --records` of the same data file, floats bit for bit, for
a two-head store with references, LED drivers and a time-stamp trailer;
compressed the same."""

import pathlib
import sys

import h5py
import numpy as np
import pytest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
import vqdata  # noqa: E402
from vqtest import (assert_double, assert_floats, info_records, run_cli, sample_head,  # noqa: E402
                    vqdata_bytes, with_trailer)

TIMES = [[(1796692530123 + 1000 * r, 32400) for r in range(300)], [(1796700000000, -18000)] * 2]


@pytest.fixture
def timed_store(tmp_path):
    # 300 records: more than one record block of the export.
    heads = [sample_head(288, 300, 1), sample_head(5, 2, 2)]
    path = tmp_path / "timed.vqdata"
    path.write_bytes(vqdata_bytes(heads, [[7, 0, -1], [5] * 16], "2026/12/08 10:15:30,メモ\r\n"))
    with_trailer(path, vqdata.load(path).layout_size, TIMES)
    return path


def export(path, out, *more):
    run = run_cli("export", path, "--hdf5", out, *more)
    assert run.returncode == 0, run.stderr.decode()
    return h5py.File(out, "r")


def assert_h5_same_as_info(f: h5py.File, info: dict) -> None:
    assert f.attrs["headCount"] == info["headCount"]
    assert f.attrs["ledDriverCount"] == info["ledDriverCount"]
    # Time datasets go with the store: every head has them once any record has a time.
    timed = any("utcMs" in r for h in info["heads"] for r in h["records"])
    for a, h in enumerate(info["heads"]):
        g = f[f"heads/{a}"]
        assert g.attrs["headKind"] == h["headKind"] and g.attrs["serialNo"] == h["serialNo"]
        assert g.attrs["channelCount"] == h["channelCount"]
        assert g.attrs["exposureUs"] == h["exposureUs"]
        assert g.attrs["recordCount"] == h["recordCount"]
        for k in range(6):
            assert_double(g["wavePoly"][k], h["wavePoly"][k], "wavePoly")
        assert g["darkTable"].shape == (21, h["channelCount"])
        assert_floats(g["darkTable"][()], sum(h["darkTable"], []), "darkTable")
        assert_floats(g["wavelengthNm"][()], h["wavelengthNm"], "wavelengthNm")
        for key in ("gain", "whiteRef", "transRef"):
            ds = g[key]
            assert ds.dtype == np.float32 and ds.attrs["exposureUs"].dtype == np.float32
            assert_floats(np.append(ds[()], ds.attrs["exposureUs"]), h[key], key)
        recs = h["records"]
        assert list(g["recExposureUs"][()]) == [r["recExposureUs"] for r in recs]
        assert_floats(g["recTemperatureC"][()], [r["recTemperatureC"] for r in recs], "temp")
        assert g["recRaw"].shape == (len(recs), h["channelCount"])
        assert_floats(g["recRaw"][()], sum((r["recRaw"] for r in recs), []), "recRaw")
        assert_floats(g["recProcessed"][()], sum((r["recProcessed"] for r in recs), []), "recProc")
        assert ("recTimeUtcMs" in g) == timed
        if timed:
            assert list(g["recTimeUtcMs"][()]) == [r.get("utcMs", 0) for r in recs]
            assert list(g["recUtcOffsetS"][()]) == [r.get("utcOffsetS", 0) for r in recs]
        for name in ("recRaw", "wavelengthNm", "recTemperatureC"):
            assert "units" in g[name].attrs and g[name].attrs["description"]
    for j, led in enumerate(info["ledDrivers"]):
        assert list(f[f"ledDrivers/{j}/ledValue"][()]) == led["ledValue"]
    assert f["historyText"].asstr()[()] == info["historyText"]


def test_h5py_reads_what_info_shows(timed_store, tmp_path):
    with export(timed_store, tmp_path / "out.h5") as f:
        assert_h5_same_as_info(f, info_records(timed_store))
        assert f["heads/0/recRaw"].chunks[1] == 288 and f["heads/0/recRaw"].compression is None


def test_compressed_export_holds_the_same_values(timed_store, tmp_path):
    with export(timed_store, tmp_path / "z.h5", "--compress", "6") as f:
        assert f["heads/0/recRaw"].compression == "gzip"
        assert_h5_same_as_info(f, info_records(timed_store))


def test_time_stamps_reach_info_and_the_export(timed_store, tmp_path):
    info = info_records(timed_store)
    assert any("utcMs" in r for h in info["heads"] for r in h["records"])
    with export(timed_store, tmp_path / "t.h5") as f:
        for a, want in enumerate(TIMES):
            got = zip(f[f"heads/{a}/recTimeUtcMs"][()], f[f"heads/{a}/recUtcOffsetS"][()])
            assert [(int(u), int(o)) for u, o in got] == want
    assert info["heads"][0]["records"][0]["time"] == "2026-12-08T10:15:30.123+09:00"


def test_refusals_leave_no_file(timed_store, tmp_path):
    run = run_cli("export", timed_store, "--hdf5", tmp_path / "no/such/dir.h5")
    assert run.returncode == 2 and b"dir.h5" in run.stderr and run.stdout == b""
    run = run_cli("export", timed_store)
    assert run.returncode == 1
    assert sorted(p.name for p in tmp_path.iterdir()) == ["timed.vqdata"]
