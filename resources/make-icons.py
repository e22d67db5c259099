#!/usr/bin/env python3
"""Draws todsync's icons: a clock face fed by a network link.

Writes, next to this script:
  todsync.ico          icon group A_MAIN: 48x48, 32x32 and 16x16, 16 colours
  todsync-classic.ico  icon group 1: 32x32 in 2 colours, 32x32 and 16x16 in
                       16 colours
Both builds take the icons from these files: the Windows resource script and
the Linux executable's resource table. The output is deterministic; run the
script again after changing it and commit the .ico files with it.
"""
import math
import os
import struct

# The standard 16-colour palette, as (R, G, B).
PALETTE16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
PALETTE2 = [(0x00, 0x00, 0x00), (0xFF, 0xFF, 0xFF)]

BLACK, NAVY, TEAL, SILVER, GRAY, RED, BLUE, AQUA, WHITE = 0, 4, 6, 7, 8, 9, 12, 14, 15
CLEAR = None


def draw(size, mono=False):
    """Returns rows of palette indices (None where transparent)."""
    px = [[CLEAR] * size for _ in range(size)]
    s = size / 48.0
    if mono:
        def ink(c):
            return 1 if c in (WHITE, AQUA) else 0
    else:
        def ink(c):
            return c

    def put(x, y, c):
        if 0 <= x < size and 0 <= y < size:
            px[y][x] = ink(c)

    def line(x0, y0, x1, y1, c, width=1.0):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 4) + 1
        r = max(width / 2.0, 0.5)
        for i in range(steps + 1):
            t = i / steps
            x, y = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            for yy in range(int(y - r), int(y + r) + 1):
                for xx in range(int(x - r), int(x + r) + 1):
                    if (xx + 0.5 - x) ** 2 + (yy + 0.5 - y) ** 2 <= r * r + 0.25:
                        put(xx, yy, c)

    def box(cx, cy, half, fill, edge):
        for y in range(int(cy - half), int(cy + half) + 1):
            for x in range(int(cx - half), int(cx + half) + 1):
                border = y in (int(cy - half), int(cy + half)) or x in (int(cx - half), int(cx + half))
                put(x, y, edge if border else fill)

    # The network: a link from two nodes into the clock's rim.
    n1 = (40.5 * s, 30.0 * s)
    n2 = (30.0 * s, 41.5 * s)
    hub = (41.0 * s, 41.0 * s)
    w = max(1.0, 2.0 * s)
    small = size < 32
    if small:  # room for one node only
        hub = (13.0, 13.0)
        line(*hub, 9.0, 9.0, BLUE, 1.0)
    else:
        line(*hub, *n1, BLUE, w)
        line(*hub, *n2, BLUE, w)
        line(*n1, 30.0 * s, 22.0 * s, BLUE, w)

    # The clock face.
    cx, cy, radius = 19.5 * s, 19.5 * s, 17.5 * s
    rim = max(1.0, 3.0 * s)
    for y in range(size):
        for x in range(size):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if d <= radius - rim:
                put(x, y, WHITE)
            elif d <= radius:
                put(x, y, NAVY)
    if size >= 32:
        for k in range(12):
            a = math.radians(k * 30)
            r0 = radius - rim - (3.5 if k % 3 == 0 else 2.0) * s
            r1 = radius - rim - 0.5 * s
            line(cx + r0 * math.sin(a), cy - r0 * math.cos(a),
                 cx + r1 * math.sin(a), cy - r1 * math.cos(a), GRAY if k % 3 else BLACK, 1.0)
    # Ten past ten.
    hour = math.radians(-60)
    minute = math.radians(60)
    line(cx, cy, cx + 8.0 * s * math.sin(hour), cy - 8.0 * s * math.cos(hour), BLACK, max(1.0, 2.5 * s))
    line(cx, cy, cx + 12.0 * s * math.sin(minute), cy - 12.0 * s * math.cos(minute), BLACK,
         max(1.0, 1.8 * s))
    put(int(cx), int(cy), RED)

    # Nodes drawn last, over the link's ends.
    half = max(1.0, 3.0 * s)
    if not small:
        box(*n1, half, AQUA, TEAL)
        box(*n2, half, AQUA, TEAL)
    box(*hub, half + (0 if small else 1), AQUA, NAVY)
    return px


def image(size, bits):
    """One icon image: BITMAPINFOHEADER, palette, XOR bitmap, AND mask."""
    palette = PALETTE2 if bits == 1 else PALETTE16
    px = draw(size, mono=(bits == 1))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, 0, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    xor_row = ((size * bits + 31) // 32) * 4
    and_row = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):  # bottom-up
        row = bytearray(xor_row)
        mrow = bytearray(and_row)
        for x in range(size):
            v = px[y][x]
            if v is None:
                mrow[x // 8] |= 0x80 >> (x % 8)
                v = 0
            if bits == 4:
                row[x // 2] |= v << (4 if x % 2 == 0 else 0)
            else:
                if v:
                    row[x // 8] |= 0x80 >> (x % 8)
        xor += row
        mask += mrow
    return header + pal + bytes(xor) + bytes(mask)


def ico(images):
    """An .ico file of (size, bits) images."""
    data = [image(size, bits) for size, bits in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, bits), blob in zip(images, data):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 1 << bits, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    return out + b"".join(data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "todsync.ico"), "wb") as f:
        f.write(ico([(48, 4), (32, 4), (16, 4)]))
    with open(os.path.join(here, "todsync-classic.ico"), "wb") as f:
        f.write(ico([(32, 1), (32, 4), (16, 4)]))


if __name__ == "__main__":
    main()
