"""Reader of varnello_mf data files (.vqdata), in pure Python with numpy.

    import vqdata
    store = vqdata.load("run.vqdata")
    head = store.heads[0]
    head.wavelength_nm          # float32 [C], nm
    head.rec_processed[5]       # float32 [C], record 5's corrected spectrum
    head.rec_time_utc_ms        # int64 [R], or None when the file has no times

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
import mmap
import os
import struct
import zlib
from typing import List, Optional

import numpy as np

MAX_HEADS = 10
MAX_CHANNELS = 288
LAST_RECORD = 86399  # completed records per head; slot 86399 is only a working slot
DARK_STEPS = 21
WAVE_COEFFS = 6
MAX_LED_CHANNELS = 32

TRAILER_MAGIC = b"VQTRAIL1"


class VqdataError(ValueError):
    """The file is not a readable data file (short, damaged, out of bounds)."""


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

    @property
    def channel_count(self) -> int:
        return int(self.wavelength_nm.shape[0])

    @property
    def record_count(self) -> int:
        return int(self.rec_exposure_us.shape[0])


@dataclasses.dataclass
class Store:
    heads: List[Head]
    led_values: List[np.ndarray]  # int32 [K] per LED driver
    history_text: str
    has_times: bool = False
    trailer_notice: Optional[str] = None  # why a trailer present was ignored
    layout_size: int = 0  # bytes of the plain layout; a trailer follows it


class _Cursor:
    def __init__(self, data: bytes, name: str):
        self.data = data
        self.pos = 0
        self.name = name

    def take(self, n: int, what: str) -> bytes:
        if n < 0 or self.pos + n > len(self.data):
            raise VqdataError(
                f"{self.name}: the file ends at byte {len(self.data)}, "
                f"inside {what} (at byte {self.pos}, {n} bytes needed)")
        chunk = self.data[self.pos:self.pos + n]
        self.pos += n
        return chunk

    def skip(self, n: int, what: str) -> int:
        """Steps over n bytes without copying them; returns where they start."""
        if self.pos + n > len(self.data):
            self.take(n, what)  # raises with the message
        start = self.pos
        self.pos += n
        return start

    def unpack(self, fmt: str, what: str):
        return struct.unpack("<" + fmt, self.take(struct.calcsize("<" + fmt), what))

    def count(self, bound: int, what: str) -> int:
        at = self.pos
        (n,) = self.unpack("i", what)
        if not 0 <= n <= bound:
            raise VqdataError(f"{self.name}: {what} {n} at byte {at} is outside 0..{bound}")
        return n

    def array(self, dtype: str, count: int, what: str) -> np.ndarray:
        dt = np.dtype(dtype)
        raw = self.take(dt.itemsize * count, what)
        return np.frombuffer(raw, dtype=dt, count=count).copy()

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
        fields[name] = np.ascontiguousarray(triples[:c, k])
        fields[name + "_exposure_us"] = triples[c, k]
    return fields


def _records(cur: _Cursor, c: int) -> dict:
    n = cur.count(LAST_RECORD, "recordCount")
    record = np.dtype([("exp", "<i4"), ("temp", "<f4"), ("pairs", "<f4", (c, 2))])
    start = cur.skip(record.itemsize * n, f"the {n} records")
    recs = np.frombuffer(cur.data, dtype=record, count=n, offset=start)
    return dict(
        rec_exposure_us=recs["exp"].astype(np.int32),
        rec_temperature_c=recs["temp"].astype(np.float32),
        rec_raw=np.ascontiguousarray(recs["pairs"][:, :, 0]),
        rec_processed=np.ascontiguousarray(recs["pairs"][:, :, 1]),
    )


def _trailer(data: bytes, at: int, record_counts: List[int]):
    """The time stamps after the plain layout: (times per head or None, notice)."""
    rest = data[at:]
    if not rest.startswith(TRAILER_MAGIC):
        return None, None
    damaged = "the time-stamp trailer is damaged; the records are read without times"
    if len(rest) < 24:
        return None, damaged
    version, payload = struct.unpack_from("<IQ", rest, 8)
    if version != 1 or len(rest) - 24 < payload:
        return None, damaged
    (crc,) = struct.unpack_from("<I", rest, 20 + payload)
    if zlib.crc32(rest[:20 + payload]) != crc:
        return None, damaged
    pos, end = 20, 20 + payload
    times = None
    while pos + 12 <= end:
        tag = rest[pos:pos + 4]
        (length,) = struct.unpack_from("<Q", rest, pos + 4)
        body = pos + 12
        if body + length > end:
            return None, damaged
        if tag == b"TIME":
            times = _time_section(rest[body:body + length], record_counts)
            if times is None:
                return None, damaged
        pos = body + length
    if pos != end:
        return None, damaged
    return times, None


def _time_section(body: bytes, record_counts: List[int]):
    if len(body) < 4 or struct.unpack_from("<I", body)[0] != len(record_counts):
        return None
    entry = np.dtype([("utc", "<i8"), ("offset", "<i4")])
    pos, times = 4, []
    for n in record_counts:
        if pos + 4 > len(body) or struct.unpack_from("<I", body, pos)[0] != n:
            return None
        pos += 4
        if pos + entry.itemsize * n > len(body):
            return None
        e = np.frombuffer(body, dtype=entry, count=n, offset=pos)
        times.append((e["utc"].astype(np.int64), e["offset"].astype(np.int32)))
        pos += entry.itemsize * n
    return times if pos == len(body) else None


def loads(data, name: str = "<bytes>") -> Store:
    """The store in data, the bytes of a .vqdata file (bytes or a buffer)."""
    if len(data) == 0:
        # The program opens an empty file as an empty store; so does this.
        return Store(heads=[], led_values=[], history_text="")
    cur = _Cursor(data, name)
    head_count = cur.count(MAX_HEADS, "headCount")
    heads = [_head(cur, a) for a in range(head_count)]
    led_count = cur.count(MAX_HEADS, "ledDriverCount")
    leds = []
    for _ in range(led_count):
        k = cur.count(MAX_LED_CHANNELS, "ledChannelCount")
        leds.append(cur.array("<i4", k, "ledValue"))
    for fields in heads:
        fields.update(_records(cur, fields["wavelength_nm"].shape[0]))
    history = cur.string("historyText")
    counts = [f["rec_exposure_us"].shape[0] for f in heads]
    times, notice = _trailer(data, cur.pos, counts)
    if times is not None:
        for fields, (utc, offset) in zip(heads, times):
            fields["rec_time_utc_ms"] = utc
            fields["rec_utc_offset_s"] = offset
    return Store(heads=[Head(**f) for f in heads], led_values=leds, history_text=history,
                 has_times=times is not None, trailer_notice=notice, layout_size=cur.pos)


def load(path: "str | os.PathLike") -> Store:
    """The store in the data file at path; VqdataError when it cannot be read."""
    with open(path, "rb") as f:
        if os.fstat(f.fileno()).st_size == 0:
            return loads(b"", os.fspath(path))
        # Mapped rather than read: a full file is 2 GB, and the arrays are
        # copied out of it, so reading it first would need that twice.
        with mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) as data:
            return loads(data, os.fspath(path))
