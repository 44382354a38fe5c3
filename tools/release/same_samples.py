#!/usr/bin/env python3
"""Exits 0 when two WAV files hold the same samples to the bit, else says how far apart
they are (samples that differ, the largest difference in units in the last place).
  same_samples.py A.wav B.wav
Headers are not compared: each C library's libsndfile writes its own."""
import struct, sys


def chunks(path):
    d = open(path, "rb").read()
    if d[:4] != b"RIFF" or d[8:12] != b"WAVE":
        sys.exit(f"{path}: not a WAV file")
    pos, fmt, data = 12, None, None
    while pos + 8 <= len(d):
        cid, size = d[pos:pos + 4], struct.unpack("<I", d[pos + 4:pos + 8])[0]
        if cid == b"fmt ":
            fmt = struct.unpack("<HHIIHH", d[pos + 8:pos + 24])
        elif cid == b"data":
            data = d[pos + 8:pos + 8 + size]
        pos += 8 + size + (size & 1)
    if fmt is None or data is None:
        sys.exit(f"{path}: no fmt or data chunk")
    return fmt, data


def main():
    (fa, da), (fb, db) = chunks(sys.argv[1]), chunks(sys.argv[2])
    if (fa[0], fa[1], fa[2], fa[5]) != (fb[0], fb[1], fb[2], fb[5]):
        sys.exit(f"formats differ: {fa} against {fb}")
    if len(da) != len(db):
        sys.exit(f"lengths differ: {len(da)} against {len(db)} bytes")
    if da == db:
        sys.exit(0)
    if fa[0] == 3 and fa[5] == 32:
        ia, ib = struct.unpack(f"<{len(da) // 4}i", da), struct.unpack(f"<{len(db) // 4}i", db)
        fa_, fb_ = struct.unpack(f"<{len(da) // 4}f", da), struct.unpack(f"<{len(db) // 4}f", db)
        def ordered(i):  # floats in the order of their bit patterns, -0 next to +0
            return i if i >= 0 else -(i & 0x7FFFFFFF)
        diff = [i for i in range(len(ia)) if ia[i] != ib[i]]
        ulp = max(abs(ordered(ia[i]) - ordered(ib[i])) for i in diff)
        first = diff[0]
        sys.exit(f"{len(diff)} of {len(ia)} samples differ, by up to {ulp} ulp; the first at frame "
                 f"{first // fa[1]}: {fa_[first]!r} against {fb_[first]!r}")
    sys.exit(f"{sum(x != y for x, y in zip(da, db))} bytes of the samples differ")


if __name__ == "__main__":
    main()
