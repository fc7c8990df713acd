#!/usr/bin/env python3
"""Writes a large RGBA PNG (WIDTH x HEIGHT, left half blue, right half orange) row by row, so that even
16000 x 16000 pixels take little memory and a small file: the kind of oversized icon a server may hand out.

    big_png.py WIDTH HEIGHT OUT"""
import struct
import sys
import zlib


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def main(width, height, out):
    row = b"\0" + b"\x20\x60\xd0\xff" * (width // 2) + b"\xf0\x90\x20\xff" * (width - width // 2)
    packer = zlib.compressobj(9)
    with open(out, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        for _ in range(height):
            data = packer.compress(row)
            if data:
                f.write(chunk(b"IDAT", data))
        f.write(chunk(b"IDAT", packer.flush()))
        f.write(chunk(b"IEND", b""))


if __name__ == "__main__":
    main(int(sys.argv[1]), int(sys.argv[2]), sys.argv[3])
