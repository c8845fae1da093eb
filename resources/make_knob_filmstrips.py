#!/usr/bin/env python3
"""Draws the two knob filmstrips embedded in the plug-in: knob_master.png and knob_aux.png.

Both are 360 x 23040 RGBA images holding 64 square frames of 360 x 360, frame k showing the knob
at proportion k / 63 of its travel.

knob_master.png  the knob's colour image: a light neutral grey cap (turned into the accent colour
                 by the tint), a dark skirt and bevel, opaque to 156 px from the centre and fading
                 to transparent by 180 px. It is the same in every frame.
knob_aux.png     the tint mask, alpha 255 everywhere, blue 0. Red = tint amount in ten levels:
                 255 over the cap (within 120 px), graded to 0 between 120 and 150 px.
                 Green = highlight added before tinting: a soft glow at the centre, and a bright
                 pointer line from 20 to 125 px with a glow around it, turning from -129 degrees
                 in frame 0 to +129 degrees in frame 63 (clockwise from straight up).

Only the standard library is used. Run it from anywhere; it writes beside itself:
    python3 resources/make_knob_filmstrips.py
"""

import math
import os
import struct
import zlib

FRAME = 360
FRAMES = 64
CENTRE = FRAME / 2.0

OPAQUE_RADIUS = 156.0
OUTER_RADIUS = 180.0
CAP_RADIUS = 118.0
TINT_FULL_RADIUS = 120.0
TINT_ZERO_RADIUS = 150.0

POINTER_FROM = 20.0
POINTER_TO = 125.0
POINTER_CORE = 2.5  # half-width at full brightness
POINTER_EDGE = 2.5  # soft edge beyond the core
POINTER_GLOW = 14.0
SWEEP_DEGREES = 129.0


def clamp(v, lo, hi):
    return lo if v < lo else hi if v > hi else v


def polar(x, y):
    dx = x + 0.5 - CENTRE
    dy = y + 0.5 - CENTRE
    return dx, dy, math.hypot(dx, dy)


def base_pixel(x, y):
    """Straight (not premultiplied) RGBA of the colour image; grey, so red = green = blue."""
    dx, dy, d = polar(x, y)
    if d >= OUTER_RADIUS:
        return 0, 0
    alpha = 255 if d <= OPAQUE_RADIUS else int(round(255 * (OUTER_RADIUS - d) / (OUTER_RADIUS - OPAQUE_RADIUS)))
    light = -dy / max(d, 1.0)  # +1 at the top of the knob, -1 at the bottom
    if d < CAP_RADIUS - 3:
        # Cap: light neutral grey, a touch brighter towards the top.
        v = 237.5 + 7.5 * (-dy / CAP_RADIUS)
    elif d < CAP_RADIUS + 2:
        # Dark groove around the cap.
        v = 120 + 30 * light
    elif d < 150:
        # Skirt: dark metal lit from above.
        v = 72 + 22 * light - 10 * (d - CAP_RADIUS) / 32
    elif d < OPAQUE_RADIUS:
        # Outer bevel catching the light.
        v = 105 + 45 * light
    else:
        # Soft contact shadow fading out.
        v = 18
    v = int(round(clamp(v, 0, 255)))
    return v, alpha


def tint_amount(d):
    if d <= TINT_FULL_RADIUS:
        return 255
    if d >= TINT_ZERO_RADIUS:
        return 0
    level = int(round(9 * (TINT_ZERO_RADIUS - d) / (TINT_ZERO_RADIUS - TINT_FULL_RADIUS)))
    return (level * 255) // 9


def centre_glow(d):
    return 40.0 * max(0.0, 1.0 - d / 60.0) ** 2


def pointer_angle(frame):
    return math.radians(-SWEEP_DEGREES + frame * (2 * SWEEP_DEGREES) / (FRAMES - 1))


def pointer_highlight(dx, dy, angle):
    """Brightness of the pointer line and its glow at the offset (dx, dy) from the centre."""
    ux, uy = math.sin(angle), -math.cos(angle)
    along = clamp(dx * ux + dy * uy, POINTER_FROM, POINTER_TO)
    dist = math.hypot(dx - along * ux, dy - along * uy)
    line = 255.0 * clamp((POINTER_CORE + POINTER_EDGE - dist) / POINTER_EDGE, 0.0, 1.0)
    glow = 60.0 * max(0.0, 1.0 - dist / POINTER_GLOW) ** 2
    return line + glow


def master_frame():
    rows = []
    for y in range(FRAME):
        row = bytearray(FRAME * 4)
        for x in range(FRAME):
            v, a = base_pixel(x, y)
            row[4 * x:4 * x + 4] = bytes((v, v, v, a))
        rows.append(bytes(row))
    return rows


def mask_static():
    """Red and the centre glow, which every frame shares."""
    red, glow = [], []
    for y in range(FRAME):
        for x in range(FRAME):
            _, _, d = polar(x, y)
            red.append(tint_amount(d))
            glow.append(centre_glow(d))
    return red, glow


def mask_frame(frame, red, glow):
    angle = pointer_angle(frame)
    reach = POINTER_TO + POINTER_GLOW
    ex, ey = CENTRE + reach * math.sin(angle), CENTRE - reach * math.cos(angle)
    x0 = int(clamp(min(CENTRE, ex) - POINTER_GLOW - 2, 0, FRAME))
    x1 = int(clamp(max(CENTRE, ex) + POINTER_GLOW + 2, 0, FRAME))
    y0 = int(clamp(min(CENTRE, ey) - POINTER_GLOW - 2, 0, FRAME))
    y1 = int(clamp(max(CENTRE, ey) + POINTER_GLOW + 2, 0, FRAME))

    rows = []
    for y in range(FRAME):
        row = bytearray(FRAME * 4)
        for x in range(FRAME):
            i = y * FRAME + x
            g = glow[i]
            if x0 <= x < x1 and y0 <= y < y1:
                dx, dy, _ = polar(x, y)
                g += pointer_highlight(dx, dy, angle)
            row[4 * x:4 * x + 4] = bytes((red[i], int(round(min(255.0, g))), 0, 255))
        rows.append(bytes(row))
    return rows


def write_png(path, width, frames_of_rows):
    """frames_of_rows yields lists of raw RGBA rows; each row is stored with the Up filter."""
    height = 0
    compressor = zlib.compressobj(9)
    chunks = []
    previous = bytes(width * 4)
    filtered = {}
    for rows in frames_of_rows:
        for row in rows:
            key = (row, previous)
            data = filtered.get(key)
            if data is None:
                data = b"\x02" + bytes((a - b) & 0xFF for a, b in zip(row, previous))
                filtered[key] = data
            chunks.append(compressor.compress(data))
            previous = row
            height += 1
    chunks.append(compressor.flush())
    idat = b"".join(chunks)

    def chunk(kind, payload):
        return struct.pack(">I", len(payload)) + kind + payload + struct.pack(">I", zlib.crc32(kind + payload) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", idat) + chunk(b"IEND", b""))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    master = master_frame()
    write_png(os.path.join(here, "knob_master.png"), FRAME, (master for _ in range(FRAMES)))
    red, glow = mask_static()
    write_png(os.path.join(here, "knob_aux.png"), FRAME, (mask_frame(k, red, glow) for k in range(FRAMES)))


if __name__ == "__main__":
    main()
