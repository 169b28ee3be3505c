#!/usr/bin/env python3
"""Writes skin.she: the skin that the program hands to its skin engine, 4338 bytes.

Layout (little-endian), as the engine reads it: ".SHE", the byte count of the whole skin (32-bit),
the format version 1 (16-bit), the colour count (16-bit), the colours (32-bit COLORREF values:
0x00BBGGRR), then the skin's name as a zero-terminated text, zero-filled to the byte count.

Usage: make_skin_resource.py [output]   (default: skin.she beside this script)
"""
import os
import struct
import sys

SIZE = 4338
VERSION = 1
NAME = b"Chengjian Light"
COLOURS = [
    0x00FFFFFF,  # window background
    0x00F4E9DD,  # active caption
    0x00EDEDED,  # inactive caption
    0x00333333,  # text
    0x00C0C0C0,  # border
    0x00FFE4C8,  # selection
]


def skin():
    data = b".SHE" + struct.pack("<IHH", SIZE, VERSION, len(COLOURS))
    data += b"".join(struct.pack("<I", colour) for colour in COLOURS)
    data += NAME + b"\0"
    return data + bytes(SIZE - len(data))


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "skin.she")
    with open(output, "wb") as f:
        f.write(skin())


if __name__ == "__main__":
    main()
