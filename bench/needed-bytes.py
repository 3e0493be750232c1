#!/usr/bin/env python3
"""The bytes a thumbnail cannot do without, per file, for bench/slow-share.sh's floor.

    bench/needed-bytes.py KIND FILE...     prints the sum over the files

KIND is one of
  plain  a JPEG without a stored thumbnail: all of it
  exif   a camera JPEG: everything up to the end of its Exif thumbnail
  heic   a HEIF: its boxes but 'mdat', and the extents of the primary image's stored thumbnail
         (all of the file when it stores none)
  raw    a camera RAW file (TIFF-based): its headers, up to the first image data, and its
         largest preview
"""
import struct
import sys


def boxes(data, start, end):
    """The ISO boxes between start and end: (type, start, body, end)."""
    at = start
    while at + 8 <= end:
        size, kind = struct.unpack(">I4s", data[at:at + 8])
        header = 8
        if size == 1:
            size, header = struct.unpack(">Q", data[at + 8:at + 16])[0], 16
        elif size == 0:
            size = end - at
        if size < header:
            return
        yield kind.decode("latin-1"), at, at + header, min(at + size, end)
        at += size


def number(data, at, width):
    return int.from_bytes(data[at:at + width], "big") if width else 0


def heic(data):
    top = list(boxes(data, 0, len(data)))
    needed = sum(end - start for kind, start, _, end in top if kind != "mdat")
    meta = next(((body + 4, end) for kind, _, body, end in top if kind == "meta"), None)
    if not meta:
        return len(data)
    children = {kind: (body, end) for kind, _, body, end in boxes(data, *meta)}
    thumbnails = set()
    if "iref" in children:
        body, end = children["iref"]
        wide = data[body] != 0
        for kind, _, at, _ in boxes(data, body + 4, end):
            if kind == "thmb":
                thumbnails.add(number(data, at, 4 if wide else 2))
    if not thumbnails or "iloc" not in children:
        return len(data)
    at, _ = children["iloc"]
    version = data[at]
    at += 4
    offset_size, length_size = data[at] >> 4, data[at] & 15
    base_size, index_size = data[at + 1] >> 4, (data[at + 1] & 15) if version else 0
    at += 2
    id_size = 4 if version == 2 else 2
    count = number(data, at, id_size)
    at += id_size
    for _ in range(count):
        item = number(data, at, id_size)
        at += id_size + (2 if version else 0) + 2 + base_size
        extents = number(data, at, 2)
        at += 2
        for _ in range(extents):
            at += index_size + offset_size
            if item in thumbnails:
                needed += number(data, at, length_size)
            at += length_size
    return needed


def tiff_entries(data, at, order):
    """The entries of the IFD at `at`: {tag: [values]}, and the next IFD's offset."""
    count = struct.unpack(order + "H", data[at:at + 2])[0]
    entries = {}
    for i in range(count):
        tag, kind, n, value = struct.unpack(order + "HHII", data[at + 2 + 12 * i:at + 14 + 12 * i])
        width = {3: 2, 4: 4, 13: 4}.get(kind)
        if width:
            place = at + 10 + 12 * i if n * width <= 4 else value
            code = {2: "H", 4: "I"}[width]
            entries[tag] = list(struct.unpack(order + code * n, data[place:place + n * width]))
    return entries, struct.unpack(order + "I", data[at + 2 + 12 * count:at + 6 + 12 * count])[0]


def raw(data, origin=0):
    order = "<" if data[origin:origin + 2] == b"II" else ">"
    pending = [struct.unpack(order + "I", data[origin + 4:origin + 8])[0]]
    first_data, largest, seen = len(data), 0, set()
    while pending:
        at = pending.pop()
        if not at or at in seen or at + 2 > len(data):
            continue
        seen.add(at)
        entries, following = tiff_entries(data, origin + at, order)
        pending += entries.get(0x14A, []) + [following]
        for offsets, lengths in ((0x111, 0x117), (0x201, 0x202), (0x144, 0x145)):
            if offsets in entries and lengths in entries:
                first_data = min([first_data] + entries[offsets])
                if entries.get(0xFE, [0])[0] & 1 or offsets == 0x201:
                    largest = max(largest, sum(entries[lengths]))
    return min(first_data, len(data)) + largest


def exif(data):
    at = 2
    while at + 4 <= len(data) and data[at] == 0xFF:
        length = struct.unpack(">H", data[at + 2:at + 4])[0]
        if data[at + 1] == 0xE1 and data[at + 4:at + 10] == b"Exif\0\0":
            tiff = at + 10
            order = "<" if data[tiff:tiff + 2] == b"II" else ">"
            ifd0 = struct.unpack(order + "I", data[tiff + 4:tiff + 8])[0]
            _, ifd1 = tiff_entries(data, tiff + ifd0, order)
            if ifd1:
                entries, _ = tiff_entries(data, tiff + ifd1, order)
                if 0x201 in entries and 0x202 in entries:
                    return tiff + entries[0x201][0] + entries[0x202][0]
        at += 2 + length
    return len(data)


KINDS = {"plain": len, "exif": exif, "heic": heic, "raw": raw}

if __name__ == "__main__":
    if len(sys.argv) < 3 or sys.argv[1] not in KINDS:
        sys.exit(__doc__)
    total = 0
    for name in sys.argv[2:]:
        with open(name, "rb") as file:
            total += KINDS[sys.argv[1]](file.read())
    print(total)
