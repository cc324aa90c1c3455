"""Deterministic picture and video bytes for the substitute photo service.

Every file is a function of (seed, post id, kind) only, so a test can rebuild
the exact bytes the service sent and compare files on disk byte for byte.
Standard library only.
"""

import hashlib
import random
import struct
import zlib

__all__ = ["make_jpeg", "make_png", "make_mp4", "colour_for", "rng_for"]


def rng_for(*parts):
    """A private generator seeded from the given parts (stable across runs)."""
    digest = hashlib.sha256(":".join(str(p) for p in parts).encode()).digest()
    return random.Random(int.from_bytes(digest[:16], "big"))


def colour_for(*parts):
    rng = rng_for("colour", *parts)
    return rng.randrange(256), rng.randrange(256), rng.randrange(256)


# ---------------------------------------------------------------- JPEG ----
# A 16 x 16 baseline JPEG of one solid colour: every block carries only its
# DC coefficient, so the entropy coder needs the standard DC table and an AC
# table holding nothing but end-of-block.

_DC_BITS = [0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0]
_DC_VALS = list(range(12))
_AC_BITS = [1] + [0] * 15
_AC_VALS = [0x00]


def _canonical_codes(bits, vals):
    codes = {}
    code = 0
    k = 0
    for length in range(1, 17):
        for _ in range(bits[length - 1]):
            codes[vals[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return codes


_DC_CODES = _canonical_codes(_DC_BITS, _DC_VALS)
_AC_CODES = _canonical_codes(_AC_BITS, _AC_VALS)


class _BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, value, length):
        for i in range(length - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.n += 1
            if self.n == 8:
                self._emit(self.acc)
                self.acc = 0
                self.n = 0

    def _emit(self, byte):
        self.out.append(byte)
        if byte == 0xFF:
            self.out.append(0x00)  # byte stuffing

    def finish(self):
        if self.n:
            self.put((1 << (8 - self.n)) - 1, 8 - self.n)  # pad with one-bits
        return bytes(self.out)


def _segment(marker, payload):
    return struct.pack(">BBH", 0xFF, marker, len(payload) + 2) + payload


def _jpeg_core(rgb):
    r, g, b = rgb
    y = 0.299 * r + 0.587 * g + 0.114 * b
    cb = 128 - 0.168736 * r - 0.331264 * g + 0.5 * b
    cr = 128 + 0.5 * r - 0.418688 * g - 0.081312 * b
    # Quantisation is all ones, so the DC value is 8 * (sample - 128).
    dcs = [max(-1023, min(1023, int(round(8 * (c - 128))))) for c in (y, cb, cr)]

    bw = _BitWriter()
    prev = [0, 0, 0]
    for _mcu in range(4):
        for comp in range(3):
            diff = dcs[comp] - prev[comp]
            prev[comp] = dcs[comp]
            cat = abs(diff).bit_length()
            code, length = _DC_CODES[cat]
            bw.put(code, length)
            if cat:
                bits = diff if diff > 0 else diff + (1 << cat) - 1
                bw.put(bits, cat)
            code, length = _AC_CODES[0x00]
            bw.put(code, length)
    scan = bw.finish()

    head = b"\xFF\xD8" + _segment(0xE0, b"JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00")
    tables = _segment(0xDB, b"\x00" + b"\x01" * 64)
    tables += _segment(0xC0, b"\x08\x00\x10\x00\x10\x03" + b"\x01\x11\x00\x02\x11\x00\x03\x11\x00")
    tables += _segment(0xC4, b"\x00" + bytes(_DC_BITS) + bytes(_DC_VALS))
    tables += _segment(0xC4, b"\x10" + bytes(_AC_BITS) + bytes(_AC_VALS))
    tables += _segment(0xDA, b"\x03\x01\x00\x02\x00\x03\x00\x00\x3F\x00")
    return head, tables + scan + b"\xFF\xD9"


def make_jpeg(rgb, size, rng):
    """A valid JPEG of about `size` bytes, padded with comment segments."""
    head, rest = _jpeg_core(rgb)
    need = size - len(head) - len(rest)
    pad = bytearray()
    while need >= 4:
        payload = min(need - 4, 65533)
        pad += _segment(0xFE, rng.randbytes(payload))
        need -= payload + 4
    return head + bytes(pad) + rest


# ----------------------------------------------------------------- PNG ----

def _chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def make_png(rgb, size, rng):
    """A valid 16 x 16 RGB PNG of about `size` bytes, padded with a private
    ancillary chunk (decoders skip it)."""
    ihdr = _chunk(b"IHDR", struct.pack(">IIBBBBB", 16, 16, 8, 2, 0, 0, 0))
    row = b"\x00" + bytes(rgb) * 16
    idat = _chunk(b"IDAT", zlib.compress(row * 16, 9))
    iend = _chunk(b"IEND", b"")
    fixed = 8 + len(ihdr) + len(idat) + len(iend)
    pad = b""
    if size - fixed >= 12:
        pad = _chunk(b"alBm", rng.randbytes(size - fixed - 12))
    return b"\x89PNG\r\n\x1a\n" + ihdr + pad + idat + iend


# ----------------------------------------------------------------- MP4 ----

def make_mp4(size, rng):
    """An MP4-like file: 'ftyp' box then an 'mdat' box of filler. It carries
    no picture signature, which is what matters to the program."""
    ftyp = struct.pack(">I", 24) + b"ftypisom" + struct.pack(">I", 0x200) + b"isomiso2"
    body = max(0, size - len(ftyp) - 8)
    return ftyp + struct.pack(">I", body + 8) + b"mdat" + rng.randbytes(body)
