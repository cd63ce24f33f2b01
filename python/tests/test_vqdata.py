"""The Python reader against `varnello-cli info --records` of the same files:
a file the program recorded, a hand-written store with references, awkward
floats, LED drivers, a UTF-16 string and a time-stamp trailer; damaged
trailers give no times; short files and counts beyond bounds are refused;
the trailer's rules read as the program reads them; heads without records;
the lazy reader's selections."""

import struct
import sys
import pathlib

import numpy as np
import pytest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
import vqdata  # noqa: E402
from vqtest import (acquire, assert_double, assert_floats, info_records, sample_head,  # noqa: E402
                    time_section, trailer, vqdata_bytes, with_trailer)

TIMES = [[(1796721330123 + 1000 * r, 32400) for r in range(4)], [(0, 0), (1796700000000, -18000)]]


def assert_same_as_info(store: vqdata.Store, info: dict) -> None:
    assert len(store.heads) == info["headCount"]
    for head, h in zip(store.heads, info["heads"]):
        c = h["channelCount"]
        assert head.channel_count == c and head.record_count == h["recordCount"]
        assert (head.head_kind, head.serial_no) == (h["headKind"], h["serialNo"])
        assert head.exposure_us == h["exposureUs"]
        for k in range(6):
            assert_double(head.wave_poly[k], h["wavePoly"][k], "wavePoly")
        assert_floats(head.dark_table, sum(h["darkTable"], []), "darkTable")
        assert_floats(head.wavelength_nm, h["wavelengthNm"], "wavelengthNm")
        for name, key in (("gain", "gain"), ("white_ref", "whiteRef"), ("trans_ref", "transRef")):
            row = np.append(getattr(head, name), getattr(head, name + "_exposure_us"))
            assert_floats(row, h[key], key)
        recs = h["records"]
        assert list(head.rec_exposure_us) == [r["recExposureUs"] for r in recs]
        assert_floats(head.rec_temperature_c, [r["recTemperatureC"] for r in recs], "temp")
        assert_floats(head.rec_raw, sum((r["recRaw"] for r in recs), []), "recRaw")
        assert_floats(head.rec_processed, sum((r["recProcessed"] for r in recs), []), "recProc")
    assert [list(v) for v in store.led_values] == [d["ledValue"] for d in info["ledDrivers"]]
    assert store.history_text == info["historyText"]


def written_store(tmp_path) -> pathlib.Path:
    heads = [sample_head(288, 4, 1), sample_head(5, 2, 2)]
    path = tmp_path / "written.vqdata"
    path.write_bytes(vqdata_bytes(heads, [[1, 2, 3, 255], []], "2026/12/08 10:15:30,計測開始\r\n",
                                  utf16_serial=True))
    return path


def test_recorded_file_reads_as_info_shows_it(tmp_path):
    path = tmp_path / "recorded.vqdata"
    acquire(path)
    store = vqdata.load(path)
    assert_same_as_info(store, info_records(path))
    assert store.heads[1].rec_raw.shape == (3, 288)
    assert store.layout_size <= path.stat().st_size


def test_written_store_with_trailer_reads_as_info_with_times(tmp_path):
    path = written_store(tmp_path)
    plain = vqdata.load(path)
    assert not plain.has_times and plain.heads[0].rec_time_utc_ms is None
    assert plain.trailer_notice is None
    with_trailer(path, plain.layout_size, TIMES)
    store = vqdata.load(path)
    info = info_records(path)
    assert_same_as_info(store, info)
    assert store.has_times and store.trailer_notice is None
    assert store.heads[1].serial_no == "SN000002"  # stored as UTF-16
    for head, want in zip(store.heads, TIMES):
        assert head.rec_time_utc_ms.dtype == np.int64
        assert [(int(u), int(o)) for u, o in zip(head.rec_time_utc_ms, head.rec_utc_offset_s)] == want
    # Once the program reads the trailer itself, its times are these.
    for head, h in zip(store.heads, info["heads"]):
        for r, rec in enumerate(h["records"]):
            if "utcMs" in rec:
                assert (rec["utcMs"], rec["utcOffsetS"]) == TIMES[head.slot][r]


@pytest.mark.parametrize("damage", ["crc", "short", "version", "count", "head_count"])
def test_damaged_trailer_gives_records_without_times(tmp_path, damage):
    path = written_store(tmp_path)
    size = vqdata.load(path).layout_size
    good = trailer(TIMES)
    bad = {
        "crc": good[:-1] + bytes([good[-1] ^ 1]),
        "short": good[:-3],
        "version": trailer(TIMES).replace(b"VQTRAIL1\x01", b"VQTRAIL1\x02"),
        "count": trailer([TIMES[0][:3], TIMES[1]]),
        "head_count": trailer(TIMES[:1]),
    }[damage]
    path.write_bytes(path.read_bytes()[:size] + bad)
    store = vqdata.load(path)
    assert not store.has_times and store.heads[0].rec_time_utc_ms is None
    assert "damaged" in store.trailer_notice
    assert store.heads[0].record_count == 4


def test_bytes_after_the_layout_that_are_no_trailer_are_ignored(tmp_path):
    path = written_store(tmp_path)
    path.write_bytes(path.read_bytes() + b"junk after the history")
    store = vqdata.load(path)
    assert not store.has_times and store.trailer_notice is None


def test_short_files_are_refused_at_every_part(tmp_path):
    path = written_store(tmp_path)
    data = path.read_bytes()
    head_block = 4 + 4 + 9 + 9 + 4 + 48 + 21 * 288 * 4
    for cut in (2, 30, head_block, len(data) - 2 * (8 + 8 * 5) - 40, len(data) - 3):
        with pytest.raises(vqdata.VqdataError, match="ends at byte"):
            vqdata.loads(data[:cut], "cut.vqdata")
    assert vqdata.loads(b"").heads == []  # as the program opens an empty file


@pytest.mark.parametrize("field,value,what", [
    (0, 11, "headCount"), (4, 289, "channelCount"), (0, -1, "headCount")])
def test_counts_beyond_the_bounds_are_refused(tmp_path, field, value, what):
    data = bytearray(written_store(tmp_path).read_bytes())
    struct.pack_into("<i", data, field, value)
    with pytest.raises(vqdata.VqdataError, match=what):
        vqdata.loads(bytes(data), "bounds.vqdata")


def test_record_count_beyond_the_bound_is_refused():
    one = vqdata_bytes([sample_head(1, 0, 3)], [], "")
    at = len(one) - 1 - 4  # the record count before the empty history
    data = one[:at] + struct.pack("<i", 86400) + one[at + 4:]
    with pytest.raises(vqdata.VqdataError, match="recordCount 86400"):
        vqdata.loads(data)


def info_times(info: dict):
    """Per head the (utc ms, offset) info shows, or None when it shows none."""
    out = [[(r["utcMs"], r["utcOffsetS"]) if "utcMs" in r else None for r in h["records"]]
           for h in info["heads"]]
    return None if all(t is None for h in out for t in h) else out


OTHER = [[(1796000000000 + r, 0) for r in range(4)], [(5, 0), (6, 0)]]
ZERO = [[(0, 0)] * 4, [(0, 0)] * 2]
TRAILERS = {  # the trailer's sections, the times both readers must give
    # The first TIME section is the one; a second one, even a broken one, is not read.
    "second TIME": lambda t: ([t, (b"TIME", time_section(OTHER))], TIMES),
    "broken second TIME": lambda t: ([t, (b"TIME", b"\x07")], TIMES),
    "TIME after another": lambda t: ([(b"NOTE", b"later"), t], TIMES),
    # All-zero times are no times; so is a valid trailer without a TIME section.
    "all zero": lambda t: ([(b"TIME", time_section(ZERO))], None),
    "no TIME": lambda t: ([(b"NOTE", b"")], None),
    # A payload beyond 64 MiB is damage, though the file holds every byte of it.
    "over 64 MiB": lambda t: ([t, (b"PADD", bytes((64 << 20) - 11 - len(t[1])))], None),
}


@pytest.mark.parametrize("case", TRAILERS)
def test_trailer_reads_as_the_program_reads_it(tmp_path, case):
    path = written_store(tmp_path)
    sections, want = TRAILERS[case]((b"TIME", time_section(TIMES)))
    with_trailer(path, vqdata.load(path).layout_size, sections=sections)
    info = info_records(path)
    for store in (vqdata.load(path), vqdata.open(path)):
        assert (store.trailer_notice is not None) == (case == "over 64 MiB")
        got = None if not store.has_times else [
            [(int(u), int(o)) if u else None for u, o in zip(h.rec_time_utc_ms, h.rec_utc_offset_s)]
            for h in store.heads]
        expected = None if want is None else [[t if t[0] else None for t in h] for h in want]
        assert got == expected == info_times(info)


def test_heads_without_records_read_like_info(tmp_path):
    # A saved detection: two heads, no records; load() used to end in BufferError.
    path = tmp_path / "detected.vqdata"
    path.write_bytes(vqdata_bytes([sample_head(288, 0, 1), sample_head(7, 0, 2)], [[1]], ""))
    info = info_records(path)
    for store in (vqdata.load(path), vqdata.open(path)):
        assert_same_as_info(store, info)
        assert store.heads[1].rec_processed.shape == (0, 7)


def test_open_selects_heads_and_records_as_read_only_views(tmp_path):
    path = written_store(tmp_path)
    with_trailer(path, vqdata.load(path).layout_size, TIMES)
    full = vqdata.load(path)
    lazy = vqdata.open(path, heads=[1, 0], records=range(1, 3))
    assert [h.slot for h in lazy.heads] == [1, 0] and lazy.head_count == 2
    for h in lazy.heads:
        want = full.head(h.slot)
        assert h.first_record == 1 and h.file_record_count == want.record_count
        for name in ("rec_raw", "rec_exposure_us", "rec_time_utc_ms", "dark_table"):
            got, rows = getattr(h, name), slice(None) if name == "dark_table" else slice(1, 3)
            assert not got.flags.writeable and got.tobytes() == getattr(want, name)[rows].tobytes()
    # Head 1 has two records: the range is clipped like a slice.
    assert lazy.heads[0].record_count == 1
    assert [str(t) for t in lazy.heads[1].times()] == ["2026-12-08T09:15:31.123",
                                                       "2026-12-08T09:15:32.123"]
    # A record without a time is NaT, never 1970.
    assert [str(t) for t in vqdata.open(path, heads=1).heads[0].times()] == [
        "NaT", "2026-12-08T03:20:00.000"]
    # load()'s arrays are its own, none a view of the file.
    assert all(getattr(full.heads[0], k).flags.writeable for k in ("rec_raw", "dark_table", "gain",
                                                                   "rec_time_utc_ms"))
    for bad in (dict(heads=2), dict(records=slice(0, 4, 2)), dict(records=(-1, 2))):
        with pytest.raises(ValueError):
            vqdata.open(path, **bad)
