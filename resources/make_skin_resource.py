#!/usr/bin/env python3
"""Writes skin.she: the skin that the program hands to its skin engine.

The format is the engine's own, described in components/skin/skin_format.h: ".SHE", the byte count
of the whole skin (32-bit), the format version (16-bit), the colour count (16-bit), the colours
(32-bit COLORREF values, 0x00BBGGRR) in the engine's order, the caption height and the frame width in
pixels (16-bit each), then the caption font's face name (16-bit byte count, UTF-8 bytes).

Usage: make_skin_resource.py [output]   (default: skin.she beside this script)
"""
import os
import struct
import sys

VERSION = 1
CAPTION_HEIGHT = 19
FRAME_WIDTH = 3
FACE_NAME = "微软雅黑"  # the program's own face; without it, the system's caption font


def rgb(red, green, blue):
    return red | green << 8 | blue << 16


# In the order the engine reads them.
COLOURS = [
    rgb(46, 117, 182),   # caption, active
    rgb(150, 170, 190),  # caption, inactive
    rgb(255, 255, 255),  # caption text, active
    rgb(232, 238, 244),  # caption text, inactive
    rgb(34, 84, 132),    # frame
    rgb(250, 252, 255),  # window background
    rgb(228, 237, 247),  # control background: dialogs, static texts, buttons
    rgb(28, 38, 50),     # text
    rgb(208, 224, 240),  # button face
    rgb(255, 255, 255),  # button light
    rgb(112, 138, 166),  # button shadow
    rgb(46, 117, 182),   # selection
    rgb(255, 255, 255),  # selection text
]


def skin():
    body = b"".join(struct.pack("<I", colour) for colour in COLOURS)
    face = FACE_NAME.encode("utf-8")
    body += struct.pack("<HHH", CAPTION_HEIGHT, FRAME_WIDTH, len(face)) + face
    size = 12 + len(body)
    return b".SHE" + struct.pack("<IHH", size, VERSION, len(COLOURS)) + body


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "skin.she")
    with open(output, "wb") as f:
        f.write(skin())


if __name__ == "__main__":
    main()
