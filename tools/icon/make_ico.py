#!/usr/bin/env python3
"""Writes a Windows icon (.ico) that holds the given PNG images as they are.

Windows reads PNG images inside an icon since Vista; each image's size is read from its
PNG header. Usage: make_ico.py OUT.ico IMAGE.png...
"""
import struct
import sys


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit("not a PNG image")
    return struct.unpack(">II", data[16:24])


def main(out_path, png_paths):
    images = [open(path, "rb").read() for path in png_paths]
    offset = 6 + 16 * len(images)
    header = struct.pack("<HHH", 0, 1, len(images))
    entries = b""
    for data in images:
        width, height = png_size(data)
        # 0 stands for 256 pixels; the colour count and planes follow the PNG itself.
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(out_path, "wb") as out:
        out.write(header + entries + b"".join(images))


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2:])
