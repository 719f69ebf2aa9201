#!/usr/bin/env python3
"""Writes the suite of primitives that the GDI reference and our rasterizer
both draw, one per 128 x 128 tile, in tile coordinates:
  line X0 Y0 X1 Y1 | arc L T R B XS YS XE YE | bez X0 Y0 X1 Y1 X2 Y2 X3 Y3 [OX OY]
A curve with OX OY is given in logical coordinates about that viewport origin."""
import random

TILE = 128
rng = random.Random(20261206)
lines = []

def arc(l, t, r, b, xs, ys, xe, ye):
    lines.append(f"arc {l} {t} {r} {b} {xs} {ys} {xe} {ye}")

# Whole ellipses of every size that fits a tile, square and not.
for size in range(1, 65):
    l = (TILE - size) // 2
    arc(l, l, l + size, l + size, l + size, l, l + size, l)
    arc(l, l + size // 3, l + size, l + size // 3 + size // 2 + 1, 0, 0, 0, 0)
# Larger ones up to 2000 pixels, crossing the tile.
for size in range(72, 2001, 16):
    arc(-size // 2 + 20, 10, size // 2 + 20, 10 + size, 0, 0, 0, 0)
    arc(100 - size, 100 - size, 100, 100, 200, 0, 0, 200)
# All four corner orders of the same box, with rays in every octant.
for order in range(4):
    for octant in range(8):
        box = [20, 30, 108, 90]
        if order & 1:
            box[0], box[2] = box[2], box[0]
        if order & 2:
            box[1], box[3] = box[3], box[1]
        starts = [(128, 60), (128, 0), (64, 0), (0, 0), (0, 60), (0, 128), (64, 128), (128, 128)]
        xs, ys = starts[octant]
        xe, ye = starts[(octant + 3) % 8]
        arc(*box, xs, ys, xe, ye)
# Coincident rays (whole ellipse), near-coincident rays, rays through the centre.
for i in range(12):
    w, h = rng.randint(5, 120), rng.randint(5, 120)
    l, t = (TILE - w) // 2, (TILE - h) // 2
    x, y = rng.randint(-50, 180), rng.randint(-50, 180)
    arc(l, t, l + w, t + h, x, y, x, y)
    arc(l, t, l + w, t + h, x, y, 2 * x - 64 if x != 64 else x + 1, 2 * y - 64)
    arc(l, t, l + w, t + h, x, y, x + 1, y)
# Zero-size and thin boxes.
for w, h in [(0, 50), (50, 0), (0, 0), (1, 50), (50, 1), (2, 50), (50, 2), (3, 60), (60, 3), (2, 2), (3, 3), (1, 1)]:
    arc(30, 30, 30 + w, 30 + h, 0, 0, 0, 0)
    arc(30, 30, 30 + w, 30 + h, 128, 30, 0, 128)
# Random arcs, some mostly off the tile.
for i in range(300):
    spread = 400 if i % 3 == 0 else 140
    c = [rng.randint(-spread + 64, spread + 64) for _ in range(4)]
    p = [rng.randint(-200, 328) for _ in range(4)]
    arc(*c, *p)
# Random Bezier curves, some mostly off the tile.
for i in range(300):
    spread = 600 if i % 3 == 0 else 100
    pts = [rng.randint(-spread + 64, spread + 64) for _ in range(8)]
    lines.append("bez " + " ".join(map(str, pts)))
# The saver's own kind of curve: the end point repeated as first control.
for i in range(60):
    x1, y1, x2, y2, h = (rng.randint(-60, 60) for _ in range(5))
    lines.append(f"bez {64 + x1} {64 + y1} {64 + x2} {64 + y2} {64 + h} 64 {64 + x2} {64 + y2}")
# Lines in every direction, exact diagonals and half-way ties, far endpoints.
for i in range(200):
    spread = 30000 if i % 4 == 0 else 150
    x0, y0 = rng.randint(-20, 148), rng.randint(-20, 148)
    lines.append(f"line {x0} {y0} {x0 + rng.randint(-spread, spread)} {y0 + rng.randint(-spread, spread)}")
for d in range(1, 40):
    lines.append(f"line 10 {10 + d} {10 + 2 * d} 10")
    lines.append(f"line 100 100 {100 - d} {100 - 2 * d}")
    lines.append(f"line 5 60 {5 + 2 * d + 1} {60 + d}")

# Saver-sized curves, in logical coordinates about an origin that brings a
# point of the curve into the tile: the figure routine's four-fold curves,
# and the mirror sets' curves whose first control point is the end point and
# whose second is (h, 0) or (-h, 0), on screens up to 3840 x 2160.
saver = random.Random(20261207)
def on_curve(pts, t):
    u = 1 - t
    return [u**3 * pts[i] + 3 * u * u * t * pts[i + 2] + 3 * u * t * t * pts[i + 4] + t**3 * pts[i + 6] for i in (0, 1)]
for i in range(400):
    width, height = saver.choice([(1366, 768), (1920, 1080), (1920, 1200), (3840, 2160)])
    rx, ry = width // 2, height // 2
    x1, y1, x2, y2 = (saver.randint(-r, r) for r in (rx, ry, rx, ry))
    if i % 2:
        h = (height // 2) // 2 * saver.choice([1, -1])
        pts = [x1, y1, x2, y2, h, 0, x2, y2]
    else:
        pts = [x1, y1, saver.randint(-rx, rx), saver.randint(-ry, ry), saver.randint(-rx, rx), saver.randint(-ry, ry), x2, y2]
    px, py = on_curve(pts, saver.random())
    origin = [64 - int(px) + saver.randint(-40, 40), 64 - int(py) + saver.randint(-40, 40)]
    lines.append("bez " + " ".join(map(str, pts + origin)))

print("\n".join(lines))
