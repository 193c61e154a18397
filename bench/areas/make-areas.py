#!/usr/bin/env python3
"""Writes the survey areas of the benchmark into this folder, and their list areas.txt.

The areas are shapes an operator meets: rectangles, bands, notched and branching outlines,
lakes with islands, coastlines, a harbour, areas at high latitude and across the date line.
Each is drawn in metres east and north of a reference position and written as the plain
text the program reads ("latitude longitude" a line, "hole" before each island) or as KML.
The noise of the coastlines comes from a seeded generator, so that every run writes the
same files; the files are kept in the repository and this script is only run to change
them:  python3 bench/areas/make-areas.py
"""

import math
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
METRES_PER_DEGREE = 6371000 * math.pi / 180


# ---- shapes, in metres east and north ----


def turned(ring, degrees, about=(0.0, 0.0)):
    """The ring turned clockwise (as a bearing turns) by `degrees` about `about`."""
    s, c = math.sin(math.radians(degrees)), math.cos(math.radians(degrees))
    ox, oy = about
    return [(ox + (x - ox) * c + (y - oy) * s, oy - (x - ox) * s + (y - oy) * c) for x, y in ring]


def moved(ring, dx, dy):
    return [(x + dx, y + dy) for x, y in ring]


def rectangle(width, height):
    return [(0, 0), (width, 0), (width, height), (0, height)]


def ellipse(cx, cy, rx, ry, count, phase=0.0):
    return [(cx + rx * math.cos(phase + 2 * math.pi * k / count), cy + ry * math.sin(phase + 2 * math.pi * k / count))
            for k in range(count)]


def blob(cx, cy, radius, count, rng, harmonics=4, roughness=0.18):
    """A smooth irregular outline, star-shaped about its centre and so never crossing itself."""
    terms = [(rng.uniform(-1, 1) * roughness / (k ** 0.8), k, rng.uniform(0, 2 * math.pi))
             for k in range(2, 2 + harmonics)]
    ring = []
    for i in range(count):
        t = 2 * math.pi * i / count
        r = radius * (1 + sum(a * math.cos(k * t + p) for a, k, p in terms))
        ring.append((cx + r * math.cos(t), cy + r * math.sin(t)))
    return ring


def star(points, outer, inner):
    ring = []
    for k in range(2 * points):
        r = outer if k % 2 == 0 else inner
        t = math.pi / 2 + math.pi * k / points
        ring.append((r * math.cos(t), r * math.sin(t)))
    return ring


def comb(teeth, length, width, gap, back):
    """Teeth pointing north from a back `back` metres deep, as a shore cut by jetties is."""
    ring = [(0, 0), (teeth * width + (teeth - 1) * gap, 0)]
    for t in reversed(range(teeth)):
        x1 = t * (width + gap) + width
        x0 = x1 - width
        ring += [(x1, back + length), (x0, back + length)]
        if t > 0:
            ring += [(x0, back), (x0 - gap, back)]
    return ring


def staircase(steps, tread, rise):
    ring = [(0, 0), (steps * tread, 0)]
    for k in range(steps, 0, -1):
        ring += [(k * tread, (steps - k + 1) * rise), ((k - 1) * tread, (steps - k + 1) * rise)]
    return ring


def spiral(turns, pitch, width, start, per_turn):
    """A corridor `width` wide winding out from the centre, its walls `pitch` apart."""
    count = int(turns * per_turn)
    b = pitch / (2 * math.pi)
    inner, outer = [], []
    for i in range(count + 1):
        t = 2 * math.pi * turns * i / count
        r = start + b * t
        inner.append((r * math.cos(t), r * math.sin(t)))
        outer.append(((r + width) * math.cos(t), (r + width) * math.sin(t)))
    return outer + inner[::-1]


def meander(length, width, amplitude, wavelength, count):
    """A river reach: a band of constant width along a sine."""
    left, right = [], []
    for i in range(count + 1):
        x = length * i / count
        y = amplitude * math.sin(2 * math.pi * x / wavelength)
        slope = amplitude * 2 * math.pi / wavelength * math.cos(2 * math.pi * x / wavelength)
        n = math.hypot(1, slope)
        nx, ny = -slope / n, 1 / n
        left.append((x + nx * width / 2, y + ny * width / 2))
        right.append((x - nx * width / 2, y - ny * width / 2))
    return right + left[::-1]


def fractal(a, b, levels, roughness, rng):
    """The points between a and b (a included, b not) of a line bent by midpoint displacement."""
    points = [a, b]
    scale = roughness
    for _ in range(levels):
        bent = []
        for p, q in zip(points, points[1:]):
            length = math.hypot(q[0] - p[0], q[1] - p[1])
            offset = rng.uniform(-1, 1) * scale * length
            mx, my = (p[0] + q[0]) / 2, (p[1] + q[1]) / 2
            bent += [p, (mx - (q[1] - p[1]) / length * offset, my + (q[0] - p[0]) / length * offset)]
        points = bent + [points[-1]]
        scale *= 0.85
    return points[:-1]


def crosses(ring):
    """Whether two edges of the ring meet anywhere but at a shared vertex."""

    def side(p, q, r):
        v = (q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0])
        return (v > 0) - (v < 0)

    n = len(ring)
    edges = [(ring[i], ring[(i + 1) % n]) for i in range(n)]
    boxes = [(min(p[0], q[0]), max(p[0], q[0]), min(p[1], q[1]), max(p[1], q[1])) for p, q in edges]
    order = sorted(range(n), key=lambda i: boxes[i][0])
    for at, i in enumerate(order):
        for j in order[at + 1:]:
            if boxes[j][0] > boxes[i][1]:
                break
            if abs(i - j) in (1, n - 1) or boxes[j][2] > boxes[i][3] or boxes[j][3] < boxes[i][2]:
                continue
            (p, q), (r, s) = edges[i], edges[j]
            if side(p, q, r) * side(p, q, s) <= 0 and side(r, s, p) * side(r, s, q) <= 0:
                return True
    return False


def coastline(corners, levels, roughness, seed, coast_edges):
    """A polygon whose edges `coast_edges` are bent like a coast; the first seed from `seed`
    on whose outline no two edges cross."""
    while True:
        rng = random.Random(seed)
        ring = []
        for k, a in enumerate(corners):
            b = corners[(k + 1) % len(corners)]
            ring += fractal(a, b, levels, roughness, rng) if k in coast_edges else [a]
        if not crosses(ring):
            return ring
        seed += 1000


def jagged_band(length, depth, teeth, rng):
    """A harbour front: a straight seaward edge and a landward side of quays and piers."""
    ring = [(0, 0), (length, 0)]
    step = length / teeth
    for k in range(teeth, 0, -1):
        y = depth + rng.uniform(-0.35, 0.35) * depth
        ring += [(k * step, y), ((k - 1) * step + rng.uniform(0.1, 0.4) * step, y + rng.uniform(-0.1, 0.1) * depth)]
    return ring


# ---- files ----


def to_lat_lon(ring, lat0, lon0):
    """Positions of a ring drawn in metres about (lat0, lon0), longitudes kept in -180..180."""
    out = []
    for x, y in ring:
        lat = lat0 + y / METRES_PER_DEGREE
        lon = lon0 + x / (METRES_PER_DEGREE * math.cos(math.radians(lat0)))
        lon = (lon + 180) % 360 - 180
        out.append((lat, lon))
    return out


def write_text(name, note, lat0, lon0, outer, holes=()):
    lines = ["# " + note]
    lines += ["%.7f %.7f" % p for p in to_lat_lon(outer, lat0, lon0)]
    for hole in holes:
        lines.append("hole")
        lines += ["%.7f %.7f" % p for p in to_lat_lon(hole, lat0, lon0)]
    with open(os.path.join(HERE, name), "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def kml_ring(points):
    closed = points + points[:1]
    return " ".join("%.7f,%.7f,0" % (lon, lat) for lat, lon in closed)


def write_kml(name, note, lat0, lon0, outer, holes=()):
    inner = "".join("<innerBoundaryIs><LinearRing><coordinates>%s</coordinates></LinearRing></innerBoundaryIs>\n"
                    % kml_ring(to_lat_lon(h, lat0, lon0)) for h in holes)
    text = ('<?xml version="1.0" encoding="UTF-8"?>\n<kml xmlns="http://www.opengis.net/kml/2.2">\n'
            "<Placemark><name>%s</name><Polygon>\n"
            "<outerBoundaryIs><LinearRing><coordinates>%s</coordinates></LinearRing></outerBoundaryIs>\n"
            "%s</Polygon></Placemark>\n</kml>\n") % (note, kml_ring(to_lat_lon(outer, lat0, lon0)), inner)
    with open(os.path.join(HERE, name), "w", newline="\n") as f:
        f.write(text)


def main():
    areas = []  # (file, kind, options)

    def area(name, kind, options, note, lat0, lon0, outer, holes=()):
        for ring in [outer, *holes]:
            assert not crosses(ring), name
        (write_kml if name.endswith(".kml") else write_text)(name, note, lat0, lon0, outer, holes)
        areas.append((name, kind, options))

    rng = random.Random(34)

    area("rectangle.txt", "rectangle", "--swath-width 100 --overlap 25", "a 2 km x 1.2 km rectangle, square to north",
         54.2, 7.8, rectangle(2000, 1200))
    area("band.txt", "rectangle", "--line-spacing 20", "a band 2.6 km x 0.3 km along a pipeline", 57.1, 1.9,
         rectangle(2600, 300))
    area("rotated.kml", "rectangle", "--swath-width 60 --overlap 20", "a 1.8 km x 0.9 km rectangle turned 35 degrees",
         43.3, 5.3, turned(rectangle(1800, 900), 35, (900, 450)))
    area("quadrilateral.txt", "other", "--swath-width 80 --overlap 15", "a four-sided field at a slant", 60.3, 5.1,
         [(0, 0), (2100, 400), (1800, 1700), (300, 1300)])
    area("square-l.txt", "other", "--line-spacing 50", "a square L, arms 2 km long and 500 m wide", 51.9, 3.8,
         [(0, 0), (2000, 0), (2000, 500), (500, 500), (500, 2000), (0, 2000)])
    area("u.kml", "other", "--swath-width 70 --overlap 20", "a U round a dredged basin", 53.5, 8.5,
         [(0, 0), (2000, 0), (2000, 1500), (1400, 1500), (1400, 500), (600, 500), (600, 1500), (0, 1500)])
    area("comb.txt", "other", "--line-spacing 20", "25 jetties 5 km long and 39 m wide, 20 m apart", 59.4, 10.6,
         comb(25, 5000, 39, 20, 60))
    area("staircase.txt", "other", "--swath-width 90 --overlap 10", "a staircase of six steps down a slope", 56.0,
         12.6, staircase(6, 350, 300))
    area("spiral.txt", "other", "--line-spacing 40", "a corridor winding two and a half turns", 36.5, -4.4,
         spiral(2.5, 260, 140, 120, 72))
    area("star.kml", "other", "--swath-width 100 --overlap 30", "a star of seven points", 35.9, 14.5,
         turned(star(7, 1600, 650), 10))
    area("lake.kml", "other", "--swath-width 80 --overlap 20", "a lake with three islands", 61.1, 25.6,
         blob(0, 0, 1800, 90, rng), [blob(-700, 300, 260, 30, rng), blob(600, -500, 200, 24, rng),
                                     ellipse(300, 700, 150, 80, 20, 0.4)])
    area("lake-long.txt", "other", "--line-spacing 45", "a long lake with two islands", 46.4, 6.5,
         turned(ellipse(0, 0, 2600, 700, 120), 20), [ellipse(-900, 150, 180, 110, 18), blob(800, -250, 160, 20, rng)])
    area("coast.txt", "other", "--swath-width 120 --overlap 20", "a bay: the coast to the north, the sea to the south",
         58.9, -3.1, coastline([(0, 0), (4000, 0), (4000, 2200), (0, 2400)], 9, 0.22, 1, {2}))
    area("coast-cape.kml", "other", "--swath-width 100 --overlap 10", "a cape's outline, coast all round", 38.6, -9.3,
         coastline([(0, 0), (3000, -300), (3600, 1800), (1500, 2600), (-300, 1600)], 7, 0.17, 5, {0, 1, 2, 3, 4}))
    area("harbour.txt", "other", "--line-spacing 30", "a harbour front: quays and piers to the north", 53.55, 9.95,
         jagged_band(2800, 420, 69, rng))
    area("seven-holes.txt", "other", "--swath-width 75 --overlap 20", "an anchorage with seven wrecks", 50.1, -1.4,
         rectangle(3000, 2000),
         [moved(rectangle(120, 80), 400, 300), ellipse(1200, 500, 90, 90, 16), moved(star(5, 120, 50), 2200, 400),
          moved(turned(rectangle(200, 60), 30), 600, 1300), ellipse(1600, 1500, 140, 60, 20),
          moved(rectangle(80, 80), 2500, 1400), [(1000, 1000), (1150, 950), (1100, 1080)]])
    area("arctic.txt", "other", "--swath-width 110 --overlap 25", "a fjord mouth at 78 degrees north", 78.2, 15.3,
         [(0, 0), (3500, 300), (3700, 2000), (1800, 2600), (200, 1900)])
    area("date-line.kml", "other", "--line-spacing 60", "an area across the 180th meridian", -16.8, 179.99,
         [(-1500, 0), (1600, 200), (1700, 1800), (-1400, 1600)])
    area("circle.txt", "other", "--swath-width 100 --overlap 20", "a circle 3 km across, 2000 vertices", 42.9, 3.2,
         ellipse(0, 0, 1500, 1500, 2000))
    area("convex.kml", "other", "--swath-width 90 --overlap 20", "a convex hexagon at a slant", 44.1, 12.9,
         turned([(0, 0), (1900, -200), (2700, 700), (2400, 1800), (700, 2100), (-300, 1000)], 22))
    area("river.txt", "other", "--line-spacing 25", "a river reach 4 km long and 200 m wide", 51.4, 6.7,
         meander(4000, 200, 350, 2000, 100))
    area("cross.txt", "other", "--swath-width 80 --overlap 25", "a cross of two channels", 55.7, 12.6,
         [(600, 0), (1000, 0), (1000, 600), (1600, 600), (1600, 1000), (1000, 1000), (1000, 1600), (600, 1600),
          (600, 1000), (0, 1000), (0, 600), (600, 600)])
    area("triangle.txt", "other", "--line-spacing 40", "a narrow triangle between two channels", -33.9, 151.3,
         [(0, 0), (2500, 300), (400, 1100)])
    area("southern.kml", "rectangle", "--line-spacing 35", "a 1.5 km x 1 km rectangle in the south", -41.3, 174.8,
         rectangle(1500, 1000))
    # A wreck in each jetty, each higher than the last: the parts between two levels that
    # a jetty's lines are judged in hold a wreck, or meet one at their edge.
    area("jetties-wrecks.txt", "other", "--line-spacing 20", "eight jetties 900 m long, a wreck off each", 57.7, 11.9,
         comb(8, 900, 70, 30, 80),
         [[(t * 100 + 35, 280 + 70 * t - 12), (t * 100 + 45, 280 + 70 * t), (t * 100 + 35, 280 + 70 * t + 12),
           (t * 100 + 25, 280 + 70 * t)] for t in range(8)])

    with open(os.path.join(HERE, "areas.txt"), "w", newline="\n") as f:
        f.write("# Survey areas of the benchmark: file, kind (rectangle or other), the survey options.\n")
        f.write("# Written by make-areas.py with the files.\n")
        for name, kind, options in areas:
            f.write("%s %s %s\n" % (name, kind, options))


if __name__ == "__main__":
    main()
