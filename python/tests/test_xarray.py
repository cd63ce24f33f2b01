"""The HDF5 export as labelled data: xarray (engine h5netcdf) opens every
group of a recorded file's export without options, with named dimensions,
wavelength and datetime64 time coordinates and the data file's values; the
grid spectra agree with `trend`; pandas gets a head's trend; the Python
reader's to_xarray() gives the same dataset; the module installs through its
pyproject.toml without the network."""

import pathlib
import shutil
import sys
import zipfile

import numpy as np
import pandas as pd
import pytest
import xarray as xr

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
import vqdata  # noqa: E402
from vqtest import acquire, run_cli, with_trailer  # noqa: E402

BENCH = "0:head:SN000001;1:head:SN000002;2:led16;scene=halogen;timescale=0"


@pytest.fixture
def recorded(tmp_path):
    """Two heads of 6 records and an LED driver, recorded by the program;
    record 2 of head 1 then loses its time."""
    path = tmp_path / "run.vqdata"
    acquire(path, bench=BENCH, count=6)
    store = vqdata.load(path)
    times = [list(zip(h.rec_time_utc_ms.tolist(), h.rec_utc_offset_s.tolist()))
             for h in store.heads]
    times[1][2] = (0, 0)
    with_trailer(path, store.layout_size, times)
    return path


def export(path, out, *more):
    run = run_cli("export", path, "--hdf5", out, *more)
    assert run.returncode == 0, run.stderr.decode()
    return out


def test_xarray_opens_every_group_as_labelled_data(recorded, tmp_path):
    out = export(recorded, tmp_path / "run.h5", "--grid")
    store = vqdata.load(recorded)
    for head in store.heads:
        with xr.open_dataset(out, group=f"heads/{head.slot}", engine="h5netcdf") as ds:
            # Dimensions and coordinates as the reader's own dataset has them, below.
            assert ds.recProcessedGrid.dims == ("record", "gridWavelengthNm")
            assert list(ds.record.values) == [0, 1, 2, 3, 4, 5]
            assert list(ds.darkStep.attrs["exposureUs"][[0, 1, 19, 20]]) == [
                265.0, 50000.0, 950000.0, 1000000.0]
            assert (ds.gain.attrs["units"], ds.recRaw.attrs["units"]) == ("1", "counts")
            assert ds.gridWavelengthNm.values[[0, -1]].tolist() == [340.0, 850.0]
            # Every value as in the data file, and the reader's own dataset alike.
            # This xarray decodes times through doubles, a few hundred ns off
            # the stored milliseconds: rounded, they are the times themselves.
            ours = head.to_xarray()
            times = ds.recTimeUtcMs.dt.round("ms").values
            assert times.dtype == ours.recTimeUtcMs.dtype == np.dtype("datetime64[ns]")
            assert times.view(np.int64).tolist() == ours.recTimeUtcMs.values.view(np.int64).tolist()
            assert np.isnat(times[2]) == (head.slot == 1)
            xr.testing.assert_equal(
                ds.drop_vars(["recProcessedGrid", "gridWavelengthNm", "recTimeUtcMs"]),
                ours.drop_vars("recTimeUtcMs"))
    with xr.open_dataset(out, group="ledDrivers/0", engine="h5netcdf") as leds:
        assert leds.ledValue.dims == ("ledChannel",) and leds.ledValue.size == 16
    with xr.open_dataset(export(recorded, tmp_path / "plain.h5"), group="heads/0",
                         engine="h5netcdf") as plain:
        assert "recProcessedGrid" not in plain


def test_pandas_trend_of_a_head_agrees_with_the_grid_export(recorded, tmp_path):
    csv = tmp_path / "trend.csv"
    run = run_cli("trend", recorded, "--head", 1, "--csv", csv)
    assert run.returncode == 0, run.stderr.decode()
    trend = pd.read_csv(csv, index_col="record", usecols=lambda c: not c.startswith("Unnamed"))
    out = export(recorded, tmp_path / "grid.h5", "--grid")
    with xr.open_dataset(out, group="heads/1", engine="h5netcdf") as ds:
        frame = ds[["recTemperatureC", "recExposureUs"]].to_dataframe()
        grid = ds.recProcessedGrid
        frame["peakNm"] = grid.gridWavelengthNm.values[grid.argmax("gridWavelengthNm").values]
        frame["peakValue"] = grid.max("gridWavelengthNm").values
    # Both count records from 0.
    assert list(trend.index) == list(frame.index) == [0, 1, 2, 3, 4, 5]
    assert (trend.exposureUs == frame.recExposureUs).all()
    assert (trend.peakNm == frame.peakNm).all()
    assert np.allclose(trend.temperatureC, frame.recTemperatureC, atol=0.05)
    assert np.allclose(trend.peakValue, frame.peakValue, atol=0.05)
    assert trend.time.isna().tolist() == [False, False, True, False, False, False]


def test_pyproject_builds_a_wheel_offline(tmp_path, monkeypatch):
    from setuptools import build_meta

    source = tmp_path / "src"
    source.mkdir()
    python = pathlib.Path(vqdata.__file__).parent
    for name in ("pyproject.toml", "vqdata.py"):
        shutil.copy(python / name, source)
    monkeypatch.chdir(source)
    wheel = zipfile.ZipFile(tmp_path / build_meta.build_wheel(str(tmp_path)))
    assert [n for n in wheel.namelist() if ".dist-info/" not in n] == ["vqdata.py"]
    assert "Requires-Dist: numpy" in wheel.read("vqdata-1.35.dist-info/METADATA").decode()
