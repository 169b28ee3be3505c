#!/usr/bin/env python3
"""Writes data_template.db: the empty history database that the program carries and writes as
"data.db" when the file is missing. The bytes are laid out by hand after the SQLite file format, so
the result is the same on every run: 3 pages of 4096 bytes, the schema table on page 1, table
"data" (empty) on page 2, table "system" with its one row (hwnd 0) on page 3.

Usage: make_data_template.py [output]   (default: data_template.db beside this script)
"""
import os
import struct
import sys

PAGE_SIZE = 4096
PAGE_COUNT = 3
CHANGE_COUNTER = 8
SCHEMA_COOKIE = 3
SQLITE_VERSION_NUMBER = 3030001

DATA_SQL = 'CREATE TABLE "data" (\r\n  "time" TEXT,\r\n  "text" TEXT,\r\n  "byte" TEXT,\r\n  "file" TEXT\r\n)'
SYSTEM_SQL = 'CREATE TABLE "system" (\r\n  "hwnd" integer NOT NULL\r\n)'


def varint(value):
    """SQLite's big-endian variable-length integer (values below 2**56 here)."""
    if value < 0x80:
        return bytes([value])
    groups = []
    while value:
        groups.append(value & 0x7F)
        value >>= 7
    groups.reverse()
    return bytes([g | 0x80 for g in groups[:-1]] + [groups[-1]])


def record(values):
    """A record: header (its size, one serial type per value), then the values' bodies."""
    types, bodies = [], b""
    for value in values:
        if isinstance(value, str):
            data = value.encode("utf-8")
            types.append(13 + 2 * len(data))
            bodies += data
        elif value == 0:
            types.append(8)
        elif value == 1:
            types.append(9)
        elif 0 < value < 128:
            types.append(1)
            bodies += struct.pack(">b", value)
        else:
            raise ValueError(value)
    header = b"".join(varint(t) for t in types)
    size = len(header) + 1
    assert size < 0x80
    return varint(size) + header + bodies


def leaf_table_page(cells, header_offset=0):
    """A table b-tree leaf page; cells are (rowid, payload), laid from the end of the page."""
    page = bytearray(PAGE_SIZE)
    end = PAGE_SIZE
    pointers = []
    for rowid, payload in cells:
        cell = varint(len(payload)) + varint(rowid) + payload
        end -= len(cell)
        page[end:end + len(cell)] = cell
        pointers.append(end)
    content_start = end if cells else PAGE_SIZE
    struct.pack_into(">BHHHB", page, header_offset, 0x0D, 0, len(cells),
                     content_start if content_start < 65536 else 0, 0)
    for i, pointer in enumerate(pointers):
        struct.pack_into(">H", page, header_offset + 8 + 2 * i, pointer)
    return page


def database_header():
    header = bytearray(100)
    header[0:16] = b"SQLite format 3\x00"
    struct.pack_into(">H", header, 16, PAGE_SIZE)
    header[18] = 1   # file format write version (rollback journal)
    header[19] = 1   # file format read version
    header[20] = 0   # reserved bytes per page
    header[21], header[22], header[23] = 64, 32, 32
    struct.pack_into(">I", header, 24, CHANGE_COUNTER)
    struct.pack_into(">I", header, 28, PAGE_COUNT)
    struct.pack_into(">I", header, 32, 0)   # first freelist trunk page
    struct.pack_into(">I", header, 36, 0)   # freelist pages
    struct.pack_into(">I", header, 40, SCHEMA_COOKIE)
    struct.pack_into(">I", header, 44, 4)   # schema format number
    struct.pack_into(">I", header, 48, 0)   # default page cache size
    struct.pack_into(">I", header, 52, 0)   # auto-vacuum: largest root page
    struct.pack_into(">I", header, 56, 1)   # text encoding UTF-8
    struct.pack_into(">I", header, 60, 0)   # user version
    struct.pack_into(">I", header, 64, 0)   # incremental vacuum
    struct.pack_into(">I", header, 68, 0)   # application id
    struct.pack_into(">I", header, 92, CHANGE_COUNTER)   # version-valid-for
    struct.pack_into(">I", header, 96, SQLITE_VERSION_NUMBER)
    return header


def build():
    schema = [
        (1, record(["table", "data", "data", 2, DATA_SQL])),
        (2, record(["table", "system", "system", 3, SYSTEM_SQL])),
    ]
    page1 = leaf_table_page(schema, header_offset=100)
    page1[0:100] = database_header()
    page2 = leaf_table_page([])
    page3 = leaf_table_page([(1, record([0]))])
    return bytes(page1 + page2 + page3)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "data_template.db")
    data = build()
    assert len(data) == PAGE_SIZE * PAGE_COUNT
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
