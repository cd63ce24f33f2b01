"""Reader of varnello_mf data files (.vqdata), in pure Python with numpy.

    import vqdata
    store = vqdata.load("run.vqdata")       # every array copied into memory
    head = store.heads[0]
    head.wavelength_nm          # float32 [C], nm
    head.rec_processed[5]       # float32 [C], record 5's corrected spectrum
    head.rec_time_utc_ms        # int64 [R], or None when the file has no times
    head.times()                # the same as numpy.datetime64 (UTC), NaT = no time

    lazy = vqdata.open("run.vqdata", heads=[2], records=slice(1000, 2000))
    lazy.heads[0].rec_raw       # read-only view of the file, read when used
    lazy.heads[0].to_xarray()   # needs xarray; the names of the HDF5 export

Heads and records are counted from 0, as everywhere in varnello_mf; a
selection keeps the file's numbers (Head.slot, Head.first_record).

The file is the store's little-endian image: head blocks, LED blocks,
record blocks, the history string, and after it, only when the store held
record time stamps, a CRC-checked time-stamp trailer. Names follow the
store's fields in Python spelling (recRaw -> rec_raw). Floats keep their
exact bits. A file that ends early or whose counts exceed the store's bounds
raises VqdataError; a damaged trailer only means "no time stamps" and is
said in Store.trailer_notice, as the program itself treats it.
"""

from __future__ import annotations

import dataclasses
import io
import mmap
import os
import struct
import zlib
from typing import Dict, Iterable, List, Optional, Union

import numpy as np

MAX_HEADS = 10
MAX_CHANNELS = 288
LAST_RECORD = 86399  # completed records per head; slot 86399 is only a working slot
DARK_STEPS = 21
WAVE_COEFFS = 6
MAX_LED_CHANNELS = 32

TRAILER_MAGIC = b"VQTRAIL1"
# A trailer payload beyond this is damage (the program refuses it the same way):
# ten full heads of times take 10 MB.
MAX_TRAILER_PAYLOAD = 64 << 20
# The exposure (us) each dark table step is measured at.
DARK_STEP_EXPOSURE_US = np.array([265.0] + [50000.0 * s for s in range(1, DARK_STEPS)])

_ENTRY = np.dtype([("utc", "<i8"), ("offset", "<i4")])
# Records per read when load() copies a record block out of the file.
_LOAD_BLOCK = 4096


class VqdataError(ValueError):
    """The file is not a readable data file (short, damaged, out of bounds)."""


def datetime64(utc_ms) -> np.ndarray:
    """UTC milliseconds as numpy.datetime64[ms]; 0 (no time) becomes NaT."""
    utc = np.asarray(utc_ms, dtype=np.int64)
    out = utc.astype("datetime64[ms]")
    out[utc == 0] = np.datetime64("NaT")
    return out


@dataclasses.dataclass
class Head:
    slot: int
    head_kind: str
    serial_no: str
    exposure_us: int
    wave_poly: np.ndarray  # float64 [6]: wavelength of 1-based channel x = sum c_k x^k
    dark_table: np.ndarray  # float32 [21, C]
    wavelength_nm: np.ndarray  # float32 [C]
    gain: np.ndarray  # float32 [C]
    white_ref: np.ndarray  # float32 [C]
    trans_ref: np.ndarray  # float32 [C]
    # The extra entry of each row: the exposure (us) it was taken at.
    gain_exposure_us: np.float32
    white_ref_exposure_us: np.float32
    trans_ref_exposure_us: np.float32
    rec_exposure_us: np.ndarray  # int32 [R]
    rec_temperature_c: np.ndarray  # float32 [R], degrees Celsius
    rec_raw: np.ndarray  # float32 [R, C], averaged sensor counts
    rec_processed: np.ndarray  # float32 [R, C], corrected spectra
    rec_time_utc_ms: Optional[np.ndarray] = None  # int64 [R]; 0 = no time
    rec_utc_offset_s: Optional[np.ndarray] = None  # int32 [R], seconds east of UTC
    first_record: int = 0  # the file's number of row 0 (a selection by open())
    file_record_count: int = -1  # the head's records in the file

    @property
    def channel_count(self) -> int:
        return int(self.wavelength_nm.shape[0])

    @property
    def record_count(self) -> int:
        """Records held here (the selected ones when opened with a range)."""
        return int(self.rec_exposure_us.shape[0])

    def times(self) -> Optional[np.ndarray]:
        """Record times as numpy.datetime64[ms] (UTC), NaT where a record has
        none; None when the file carries no times."""
        return None if self.rec_time_utc_ms is None else datetime64(self.rec_time_utc_ms)

    def to_xarray(self):
        """The head as an xarray.Dataset with the names, dimensions and
        coordinates of the HDF5 export's head group (needs xarray)."""
        import xarray as xr

        n, c = self.record_count, self.channel_count
        coords = {
            "record": ("record", np.arange(self.first_record, self.first_record + n,
                                           dtype=np.int32), {"units": "1"}),
            "channel": ("channel", np.arange(c, dtype=np.int32), {"units": "1"}),
            "darkStep": ("darkStep", np.arange(DARK_STEPS, dtype=np.int32),
                         {"units": "1", "exposureUs": DARK_STEP_EXPOSURE_US}),
            "power": ("power", np.arange(WAVE_COEFFS, dtype=np.int32), {"units": "1"}),
            "wavelengthNm": ("channel", self.wavelength_nm, {"units": "nm"}),
        }
        data = {
            "wavePoly": ("power", self.wave_poly, {"units": "nm"}),
            "darkTable": (("darkStep", "channel"), self.dark_table, {"units": "counts"}),
            "gain": ("channel", self.gain, {"units": "1", "exposureUs": self.gain_exposure_us}),
            "whiteRef": ("channel", self.white_ref,
                         {"units": "counts", "exposureUs": self.white_ref_exposure_us}),
            "transRef": ("channel", self.trans_ref,
                         {"units": "counts", "exposureUs": self.trans_ref_exposure_us}),
            "recExposureUs": ("record", self.rec_exposure_us, {"units": "us"}),
            "recTemperatureC": ("record", self.rec_temperature_c, {"units": "degC"}),
            "recRaw": (("record", "channel"), self.rec_raw, {"units": "counts"}),
            "recProcessed": (("record", "channel"), self.rec_processed, {"units": "counts"}),
        }
        if self.rec_time_utc_ms is not None:
            coords["recTimeUtcMs"] = ("record", self.times())
            data["recUtcOffsetS"] = ("record", self.rec_utc_offset_s, {"units": "s"})
        attrs = dict(slot=self.slot, headKind=self.head_kind, serialNo=self.serial_no,
                     channelCount=c, exposureUs=self.exposure_us,
                     recordCount=self.file_record_count if self.file_record_count >= 0 else n)
        return xr.Dataset(data, coords=coords, attrs=attrs)


@dataclasses.dataclass
class Store:
    heads: List[Head]
    led_values: List[np.ndarray]  # int32 [K] per LED driver
    history_text: str
    has_times: bool = False
    trailer_notice: Optional[str] = None  # why a trailer present was ignored
    layout_size: int = 0  # bytes of the plain layout; a trailer follows it
    head_count: int = -1  # heads in the file (heads holds the selected ones)

    def head(self, slot: int) -> Head:
        """The head of the file's slot (among those held)."""
        for h in self.heads:
            if h.slot == slot:
                return h
        raise KeyError(f"head {slot} is not among the heads read")

    def to_xarray(self) -> Dict[int, "object"]:
        """Every head held as an xarray.Dataset, by slot (needs xarray)."""
        return {h.slot: h.to_xarray() for h in self.heads}


class _Cursor:
    """Walks the layout; arrays are views of the data unless copy is set."""

    def __init__(self, data, name: str, copy: bool):
        self.data = data
        self.size = len(data)
        self.pos = 0
        self.name = name
        self.copy = copy

    def skip(self, n: int, what: str) -> int:
        """Steps over n bytes without reading them; returns where they start."""
        if n < 0 or self.pos + n > self.size:
            raise VqdataError(
                f"{self.name}: the file ends at byte {self.size}, "
                f"inside {what} (at byte {self.pos}, {n} bytes needed)")
        start = self.pos
        self.pos += n
        return start

    def take(self, n: int, what: str) -> bytes:
        start = self.skip(n, what)
        return bytes(self.data[start:start + n])

    def unpack(self, fmt: str, what: str):
        return struct.unpack("<" + fmt, self.take(struct.calcsize("<" + fmt), what))

    def count(self, bound: int, what: str) -> int:
        at = self.pos
        (n,) = self.unpack("i", what)
        if not 0 <= n <= bound:
            raise VqdataError(f"{self.name}: {what} {n} at byte {at} is outside 0..{bound}")
        return n

    def array(self, dtype, count: int, what: str) -> np.ndarray:
        dt = np.dtype(dtype)
        start = self.skip(dt.itemsize * count, what)
        return self.view(dt, count, start)

    def view(self, dtype, count: int, offset: int) -> np.ndarray:
        a = np.frombuffer(self.data, dtype=dtype, count=count, offset=offset)
        return a.copy() if self.copy else a

    def length(self, what: str, utf16: bool = False):
        (b,) = self.unpack("B", what)
        if b < 0xFF:
            return b, utf16
        (w,) = self.unpack("H", what)
        if w < 0xFFFE:
            return w, utf16
        if w == 0xFFFE:
            if utf16:
                raise VqdataError(f"{self.name}: bad length of {what} at byte {self.pos}")
            return self.length(what, True)
        (d,) = self.unpack("I", what)
        if d < 0xFFFFFFFF:
            return d, utf16
        (q,) = self.unpack("Q", what)
        return q, utf16

    def string(self, what: str) -> str:
        n, utf16 = self.length(what)
        if utf16:
            return self.take(2 * n, what).decode("utf-16-le", errors="replace")
        return self.take(n, what).decode("cp932", errors="replace")


def _record_dtype(c: int) -> np.dtype:
    return np.dtype([("exp", "<i4"), ("temp", "<f4"), ("pairs", "<f4", (c, 2))])


def _head(cur: _Cursor, slot: int) -> dict:
    c = cur.count(MAX_CHANNELS, "channelCount")
    fields = dict(slot=slot)
    fields["head_kind"] = cur.string("headKind")
    fields["serial_no"] = cur.string("serialNo")
    (fields["exposure_us"],) = cur.unpack("i", "exposureUs")
    fields["wave_poly"] = cur.array("<f8", WAVE_COEFFS, "wavePoly")
    fields["dark_table"] = cur.array("<f4", DARK_STEPS * c, "darkTable").reshape(DARK_STEPS, c)
    fields["wavelength_nm"] = cur.array("<f4", c, "wavelengthNm")
    triples = cur.array("<f4", 3 * (c + 1), "gain/whiteRef/transRef").reshape(c + 1, 3)
    for k, name in enumerate(("gain", "white_ref", "trans_ref")):
        # Copied in either mode: three rows of at most 289 values.
        fields[name] = np.ascontiguousarray(triples[:c, k])
        fields[name + "_exposure_us"] = triples[c, k]
    return fields


@dataclasses.dataclass
class _Layout:
    """Where everything of a file is; the small parts already read."""
    heads: List[dict]
    leds: List[np.ndarray]
    blocks: List[tuple]  # per head (offset of its first record, record count)
    history: str
    layout_size: int
    times: Optional[list]  # per head (utc, offset) views or copies, or None
    notice: Optional[str]


def _layout(data, name: str, copy: bool) -> _Layout:
    cur = _Cursor(data, name, copy)
    head_count = cur.count(MAX_HEADS, "headCount")
    heads = [_head(cur, a) for a in range(head_count)]
    led_count = cur.count(MAX_HEADS, "ledDriverCount")
    leds = []
    for _ in range(led_count):
        k = cur.count(MAX_LED_CHANNELS, "ledChannelCount")
        leds.append(cur.array("<i4", k, "ledValue"))
    blocks = []
    for fields in heads:
        n = cur.count(LAST_RECORD, "recordCount")
        size = _record_dtype(fields["wavelength_nm"].shape[0]).itemsize
        blocks.append((cur.skip(size * n, f"the {n} records"), n))
    history = cur.string("historyText")
    times, notice = _trailer(cur, [n for _, n in blocks])
    return _Layout(heads, leds, blocks, history, cur.pos, times, notice)


_DAMAGED = "the time-stamp trailer is damaged; the records are read without times"


def _trailer(cur: _Cursor, record_counts: List[int]):
    """The time stamps after the plain layout, read as the program reads them:
    (times per head or None, notice). All-zero times are no times."""
    at, data = cur.pos, cur.data
    if bytes(data[at:at + 8]) != TRAILER_MAGIC:
        return None, None
    rest = cur.size - at
    if rest < 20:
        return None, _DAMAGED
    version, payload = struct.unpack("<IQ", bytes(data[at + 8:at + 20]))
    if payload > MAX_TRAILER_PAYLOAD or rest < 24 + payload or version != 1:
        return None, _DAMAGED
    with memoryview(data) as whole, whole[at:at + 20 + payload] as covered:
        crc = zlib.crc32(covered)
    if struct.unpack("<I", bytes(data[at + 20 + payload:at + 24 + payload]))[0] != crc:
        return None, _DAMAGED
    pos, end = at + 20, at + 20 + payload
    section = None
    while pos < end:
        if end - pos < 12:
            return None, _DAMAGED
        tag = bytes(data[pos:pos + 4])
        (length,) = struct.unpack("<Q", bytes(data[pos + 4:pos + 12]))
        if end - pos - 12 < length:
            return None, _DAMAGED
        # The first TIME section is the one; later ones are not looked at.
        if section is None and tag == b"TIME":
            section = (pos + 12, length)
        pos += 12 + length
    if section is None:
        return None, None
    times = _time_section(cur, *section, record_counts)
    if times is None:
        return None, _DAMAGED
    if not any(np.any(utc != 0) for utc, _ in times):
        return None, None
    return times, None


def _time_section(cur: _Cursor, at: int, length: int, record_counts: List[int]):
    def u32(pos):
        return struct.unpack("<I", bytes(cur.data[pos:pos + 4]))[0]

    end = at + length
    if length < 4 or u32(at) != len(record_counts):
        return None
    pos, times = at + 4, []
    for n in record_counts:
        if end - pos < 4 or u32(pos) != n:
            return None
        pos += 4
        if (end - pos) // _ENTRY.itemsize < n:
            return None
        e = cur.view(_ENTRY, n, pos)
        times.append((e["utc"], e["offset"]))
        pos += _ENTRY.itemsize * n
    return times if pos == end else None


def _records_view(data, offset: int, n: int, c: int, sel: slice) -> dict:
    if n == 0:
        recs = np.zeros(0, _record_dtype(c))
    else:
        recs = np.frombuffer(data, dtype=_record_dtype(c), count=n, offset=offset)[sel]
    return dict(rec_exposure_us=recs["exp"], rec_temperature_c=recs["temp"],
                rec_raw=recs["pairs"][:, :, 0], rec_processed=recs["pairs"][:, :, 1])


def _store(layout: _Layout, records_of, slots: Iterable[int], sel: slice) -> Store:
    heads = []
    for a in slots:
        fields = dict(layout.heads[a])
        offset, n = layout.blocks[a]
        rows = range(n)[sel]
        fields.update(records_of(a, offset, n, fields["wavelength_nm"].shape[0]))
        fields["first_record"] = rows.start if len(rows) else min(rows.start, n)
        fields["file_record_count"] = n
        if layout.times is not None:
            utc, off = layout.times[a]
            fields["rec_time_utc_ms"], fields["rec_utc_offset_s"] = utc[sel], off[sel]
        heads.append(Head(**fields))
    return Store(heads=heads, led_values=layout.leds, history_text=layout.history,
                 has_times=layout.times is not None, trailer_notice=layout.notice,
                 layout_size=layout.layout_size, head_count=len(layout.heads))


def loads(data, name: str = "<bytes>") -> Store:
    """The store in data, the bytes of a .vqdata file (bytes or a buffer);
    every array is a copy."""
    if len(data) == 0:
        # The program opens an empty file as an empty store; so does this.
        return Store(heads=[], led_values=[], history_text="", head_count=0)
    layout = _layout(data, name, copy=True)

    def records(a, offset, n, c):
        return {k: np.array(v) for k, v in _records_view(data, offset, n, c, slice(None)).items()}

    return _store(layout, records, range(len(layout.heads)), slice(None))


def _read_records(f, offset: int, n: int, c: int) -> dict:
    """A record block copied out of the file a few thousand records at a time,
    so only the arrays themselves and one block take memory."""
    out = dict(rec_exposure_us=np.empty(n, np.int32), rec_temperature_c=np.empty(n, np.float32),
               rec_raw=np.empty((n, c), np.float32), rec_processed=np.empty((n, c), np.float32))
    dtype = _record_dtype(c)
    block = np.empty(min(n, _LOAD_BLOCK), dtype)
    for r0 in range(0, n, _LOAD_BLOCK):
        k = min(_LOAD_BLOCK, n - r0)
        f.seek(offset + r0 * dtype.itemsize)
        if f.readinto(memoryview(block[:k]).cast("B")) != k * dtype.itemsize:
            raise VqdataError(f"{f.name}: the file changed while it was read")
        out["rec_exposure_us"][r0:r0 + k] = block["exp"][:k]
        out["rec_temperature_c"][r0:r0 + k] = block["temp"][:k]
        out["rec_raw"][r0:r0 + k] = block["pairs"][:k, :, 0]
        out["rec_processed"][r0:r0 + k] = block["pairs"][:k, :, 1]
    return out


def load(path: "str | os.PathLike") -> Store:
    """The store in the data file at path, every array copied into memory
    (writable, independent of the file); VqdataError when it cannot be read."""
    name = os.fspath(path)
    with io.open(path, "rb") as f:
        if os.fstat(f.fileno()).st_size == 0:
            return loads(b"", name)
        # The layout is found through a map, touching only the small parts;
        # the records are then read block by block, so a 2 GB file needs its
        # arrays' memory and not the file's pages on top.
        data = mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ)
        try:
            layout = _layout(data, name, copy=True)
        finally:
            try:
                data.close()
            except BufferError:
                # Only an error's traceback can still hold a view here; the
                # map is released with it.
                pass
        return _store(layout, lambda a, offset, n, c: _read_records(f, offset, n, c),
                      range(len(layout.heads)), slice(None))


def _slots(heads, head_count: int) -> List[int]:
    if heads is None:
        return list(range(head_count))
    slots = [heads] if isinstance(heads, (int, np.integer)) else list(heads)
    for a in slots:
        if not 0 <= a < head_count:
            raise ValueError(f"head {a} is out of range: the file has {head_count} heads")
    return [int(a) for a in slots]


def _record_slice(records) -> slice:
    if records is None:
        return slice(None)
    if isinstance(records, range):
        records = slice(records.start, records.stop, records.step)
    elif isinstance(records, tuple):
        records = slice(*records)
    if not isinstance(records, slice) or records.step not in (None, 1):
        raise ValueError("records: a slice, range or (start, stop) of consecutive records")
    if (records.start or 0) < 0 or (records.stop or 0) < 0:
        raise ValueError("records are counted from 0; negative numbers are not records")
    return records


def open(path: "str | os.PathLike", heads: Union[None, int, Iterable[int]] = None,
         records: Union[None, slice, range, tuple] = None) -> Store:
    """The store in the data file at path, its arrays read-only views of the
    file, read from the disk only when used. heads: a slot or slots (all by
    default); records: a slice, range or (start, stop) of the records of each
    head (all by default; clipped to each head's count like a slice). The
    file stays mapped as long as any of the arrays lives."""
    name = os.fspath(path)
    sel = _record_slice(records)
    with io.open(path, "rb") as f:
        if os.fstat(f.fileno()).st_size == 0:
            _slots(heads, 0)
            return loads(b"", name)
        data = mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ)
    # The map is never closed here: the arrays hold it, and it goes with the
    # last of them.
    layout = _layout(data, name, copy=False)
    slots = _slots(heads, len(layout.heads))
    return _store(layout, lambda a, offset, n, c: _records_view(data, offset, n, c, sel),
                  slots, sel)
