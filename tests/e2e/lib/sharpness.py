#!/usr/bin/env python3
"""How sharp a screenshot of the saver is, as two shares:

- doubled: of the neighbouring row pairs (and column pairs) in which
  something is drawn (a hundredth of the row, and at least 16 pixels, not
  in the background's colour: a lone stroke along the other axis would
  make its rows all alike), the share that are equal when the pairs start
  at even rows, less the share when they start at odd ones (as a magnitude):
  near 1 for a picture that the compositor enlarged twice, near 0 for one
  drawn in device pixels, however dense its figures;
- blended: of the edge pixels of strokes (drawn pixels beside the
  background), the share whose colour lies between the background and the
  stroke beyond it: 1 for a picture that the compositor stretched with
  filtering, near 0 for one drawn in device pixels.

    sharpness.py PICTURE.png   prints "DOUBLED BLENDED" (the larger of the rows' and columns' share)
"""
import subprocess
import sys
from collections import Counter


def pixels(path):
    size = subprocess.run(["identify", "-format", "%w %h", path], check=True, capture_output=True, text=True).stdout
    width, height = (int(n) for n in size.split())
    raw = subprocess.run(["convert", path, "-alpha", "off", "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout
    rows = [[raw[(y * width + x) * 3:(y * width + x) * 3 + 3] for x in range(width)] for y in range(height)]
    return rows


def doubled(rows, background):
    """How much more often rows pair up at one parity than at the other,
    among pairs with something drawn: an enlarged picture repeats each row
    in its pair, while a dense figure drawn in device pixels has equal
    neighbours as often at either parity."""
    least = max(16, len(rows[0]) // 100)
    drawn = [len(row) - row.count(background) >= least for row in rows]
    pairs, equal = [0, 0], [0, 0]
    for i, (upper, lower) in enumerate(zip(rows, rows[1:])):
        if not drawn[i] and not drawn[i + 1]:
            continue
        pairs[i % 2] += 1
        equal[i % 2] += upper == lower
    shares = [e / p if p else 0.0 for e, p in zip(equal, pairs)]
    return abs(shares[0] - shares[1])


def blend_of(value, background, stroke):
    """Whether value is background + t (stroke - background) for one t well
    inside (0, 1): a mix, rather than another pen's colour."""
    span = max(range(3), key=lambda c: abs(stroke[c] - background[c]))
    if abs(stroke[span] - background[span]) < 24:
        return False
    t = (value[span] - background[span]) / (stroke[span] - background[span])
    if not 0.15 <= t <= 0.85:
        return False
    return all(abs(v - (b + t * (s - b))) <= 6 for v, b, s in zip(value, background, stroke))


def blended(rows, background):
    edges = blends = 0
    height, width = len(rows), len(rows[0])
    for y in range(1, height - 1):
        row = rows[y]
        for x in range(1, width - 1):
            p = row[x]
            if p == background:
                continue
            for (bx, by), (sx, sy) in (((x - 1, y), (x + 1, y)), ((x + 1, y), (x - 1, y)),
                                       ((x, y - 1), (x, y + 1)), ((x, y + 1), (x, y - 1))):
                if rows[by][bx] != background:
                    continue
                edges += 1
                s = rows[sy][sx]
                if s != background and blend_of(p, background, s):
                    blends += 1
                break
    return blends / edges if edges else 0.0


def main():
    rows = pixels(sys.argv[1])
    columns = [list(column) for column in zip(*rows)]
    background = Counter(p for row in rows for p in row).most_common(1)[0][0]
    print(f"{max(doubled(rows, background), doubled(columns, background)):.3f} {blended(rows, background):.3f}")


if __name__ == "__main__":
    main()
