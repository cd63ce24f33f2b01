"""Helpers of the reader and export tests: the built varnello-cli, data files
written byte by byte (for stores the program cannot be made to record, e.g.
with references and awkward floats), the time-stamp trailer, and comparing
values with `varnello-cli info --records`."""

import json
import math
import os
import pathlib
import struct
import subprocess
import zlib

import numpy as np

ROOT = pathlib.Path(__file__).resolve().parents[2]


def cli_path() -> str:
    path = os.environ.get("VARNELLO_CLI") or str(ROOT / "build/ci/src/cli/varnello-cli")
    if not os.path.exists(path):
        raise RuntimeError(f"varnello-cli not found at {path}; build it or set VARNELLO_CLI")
    return path


def run_cli(*args) -> subprocess.CompletedProcess:
    env = {k: v for k, v in os.environ.items() if k != "VMF_BENCH"}
    return subprocess.run([cli_path(), *map(str, args)], capture_output=True, env=env, check=False)


def info_records(path) -> dict:
    run = run_cli("info", "--records", path)
    assert run.returncode == 0, run.stderr.decode()
    return json.loads(run.stdout)


def acquire(path, bench="0:head:SN000001;1:head:SN000002;scene=white;timescale=0", count=3):
    run = run_cli("acquire", "--bench", bench, "--count", count, "--out", path)
    assert run.returncode == 0, run.stderr.decode()


def _string(text: str, utf16: bool = False) -> bytes:
    if utf16:
        units = text.encode("utf-16-le")
        return b"\xff\xfe\xff" + bytes([len(text)]) + units
    raw = text.encode("cp932")
    if len(raw) < 0xFF:
        return bytes([len(raw)]) + raw
    return b"\xff" + struct.pack("<H", len(raw)) + raw


AWKWARD = [-0.0, float("inf"), float("-inf"), 1e-45, 3.4028235e38, 0.1, -1234.5]


def sample_head(c: int, records: int, seed: int) -> dict:
    rng = np.random.default_rng(seed)

    def floats(*shape):
        v = (rng.standard_normal(shape) * 1000).astype(np.float32)
        flat = v.reshape(-1)
        for i, x in enumerate(AWKWARD[: flat.size]):
            flat[i] = x
        if flat.size > len(AWKWARD):
            flat[len(AWKWARD)] = np.frombuffer(struct.pack("<I", 0x7FC01234), "<f4")[0]
        return v

    return dict(
        kind="C12880MA", serial=f"SN{seed:06d}", exposure=10000 + seed,
        poly=np.array([310.5, 2.25, -0.0, 1e-6, np.nan, 1e-300]),
        dark=floats(21, c), wave=floats(c),
        gain=floats(c + 1), white=floats(c + 1), trans=floats(c + 1),
        exp=np.arange(records, dtype=np.int32) + 500, temp=floats(records),
        raw=floats(records, c), processed=floats(records, c))


def vqdata_bytes(heads, leds, history: str, utf16_serial: bool = False) -> bytes:
    out = bytearray(struct.pack("<i", len(heads)))
    for a, h in enumerate(heads):
        c = h["wave"].shape[0]
        out += struct.pack("<i", c) + _string(h["kind"])
        out += _string(h["serial"], utf16_serial and a == 1)
        out += struct.pack("<i", h["exposure"]) + h["poly"].astype("<f8").tobytes()
        out += h["dark"].astype("<f4").tobytes() + h["wave"].astype("<f4").tobytes()
        out += np.stack([h["gain"], h["white"], h["trans"]], axis=1).astype("<f4").tobytes()
    out += struct.pack("<i", len(leds))
    for values in leds:
        out += struct.pack("<i", len(values)) + np.asarray(values, "<i4").tobytes()
    for h in heads:
        r = h["exp"].shape[0]
        out += struct.pack("<i", r)
        for k in range(r):
            out += struct.pack("<i", h["exp"][k]) + h["temp"][k:k + 1].astype("<f4").tobytes()
            out += np.stack([h["raw"][k], h["processed"][k]], axis=1).astype("<f4").tobytes()
    return bytes(out + _string(history))


def time_section(times) -> bytes:
    """A TIME section's body: per head a list of (utc ms, offset s)."""
    body = struct.pack("<I", len(times))
    for head in times:
        body += struct.pack("<I", len(head))
        body += b"".join(struct.pack("<qi", utc, off) for utc, off in head)
    return body


def trailer(times=None, sections=None) -> bytes:
    """The time-stamp trailer for times, or of the given (tag, body) sections."""
    if sections is None:
        sections = [(b"TIME", time_section(times))]
    payload = b"".join(tag + struct.pack("<Q", len(body)) + body for tag, body in sections)
    head = b"VQTRAIL1" + struct.pack("<IQ", 1, len(payload)) + payload
    return head + struct.pack("<I", zlib.crc32(head))


def with_trailer(path, layout_size: int, times=None, sections=None) -> None:
    """Replaces whatever follows the plain layout of the file with a trailer."""
    data = pathlib.Path(path).read_bytes()[:layout_size]
    pathlib.Path(path).write_bytes(data + trailer(times, sections))


def float_matches(value, json_value) -> bool:
    """A float32 against info's text of it: bits equal, or both NaN (info
    prints every NaN as "NaN")."""
    v = np.float32(value)
    if isinstance(json_value, str):
        if json_value == "NaN":
            return bool(np.isnan(v))
        return v == (np.inf if json_value == "Infinity" else -np.inf)
    return np.float32(json_value).view(np.uint32) == v.view(np.uint32)


def assert_floats(values, json_values, what: str) -> None:
    values = np.asarray(values).reshape(-1)
    assert values.shape[0] == len(json_values), what
    bad = [i for i, (v, j) in enumerate(zip(values, json_values)) if not float_matches(v, j)]
    assert not bad, f"{what}: {len(bad)} differ, first at {bad[0]}: {values[bad[0]]} vs {json_values[bad[0]]}"


def assert_double(value, json_value, what: str) -> None:
    if isinstance(json_value, str):
        assert math.isnan(value) and json_value == "NaN", what
    else:
        assert np.float64(value).view(np.uint64) == np.float64(json_value).view(np.uint64), what
