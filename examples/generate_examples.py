#!/usr/bin/env python3
"""Writes the shipped example bodies: one folder per body with its SET file and FourPillars.txt.

Run from anywhere: python3 examples/generate_examples.py. The expected console output of each
example is not written here; it comes from the program (see tests/end_to_end/).
"""
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def num(v):
    text = "%.10g" % v
    return "0" if text == "-0" else text


def point(p):
    return ",".join(num(c) for c in p)


class SetFile:
    def __init__(self):
        self.blocks = []
        self.volume = 0.0  # volume of the whole body as the program measures it

    def hexahedron(self, pts):
        self.blocks.append("Hexahedron\n" + "".join(point(p) + "\n" for p in pts))
        for tet in ((0, 1, 2, 5), (7, 5, 2, 6), (0, 5, 7, 4), (0, 7, 2, 5), (0, 7, 2, 3)):
            self.volume += tet_volume(*(pts[i] for i in tet))

    def box(self, x0, y0, z0, x1, y1, z1):
        self.hexahedron([(x0, y0, z0), (x1, y0, z0), (x1, y1, z0), (x0, y1, z0),
                         (x0, y0, z1), (x1, y0, z1), (x1, y1, z1), (x0, y1, z1)])

    def prism(self, pts):
        self.blocks.append("TrianglePrism\n" + "".join(point(p) + "\n" for p in pts))
        for tet in ((0, 1, 2, 4), (0, 2, 3, 4), (2, 3, 5, 4)):
            self.volume += tet_volume(*(pts[i] for i in tet))

    def cylinder(self, start, end, radius):
        self.blocks.append("Cylinder\n%s\n%s\n%s\n%s\n" %
                           (point(start), num(radius), point(end), num(radius)))
        length = math.dist(start, end)
        # Inscribed 30-gon with the program's angle step (2 * 3.1415926 / 30 per sector).
        step = 2 * 3.1415926 / 30
        self.volume += 30 * 0.5 * radius * radius * math.sin(step) * length

    def write(self, folder, name, displacement, gravity, pillars, comment):
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, name), "w", newline="\n") as f:
            f.write("Volume of Displacement=%s\n" % num(displacement))
            f.write("Gra_Pt.x=%s\nGra_Pt.y=%s\nGra_Pt.z=%s\n" % tuple(num(c) for c in gravity))
            f.write("# %s\n" % comment)
            f.write("".join(self.blocks))
        with open(os.path.join(folder, "FourPillars.txt"), "w", newline="\n") as f:
            for k, (p0, p1) in enumerate(pillars, 1):
                f.write("#%d:\n%s\n%s\n" % (k, point(p0), point(p1)))


def tet_volume(a, b, c, d):
    u = [b[i] - a[i] for i in range(3)]
    v = [c[i] - a[i] for i in range(3)]
    w = [d[i] - a[i] for i in range(3)]
    det = (u[0] * (v[1] * w[2] - v[2] * w[1]) - u[1] * (v[0] * w[2] - v[2] * w[0]) +
           u[2] * (v[0] * w[1] - v[1] * w[0]))
    return abs(det) / 6


def vertical_pillars(xy, z0, z1):
    return [((x, y, z0), (x, y, z1)) for x, y in xy]


def pontoon_barge():
    """40 m x 12 m x 4 m box barge in 2 m x 2 m x 1 m cells, loaded upright to a 2 m draft."""
    body = SetFile()
    for i in range(20):
        for j in range(6):
            for k in range(4):
                body.box(2 * i, 2 * j, k, 2 * i + 2, 2 * j + 2, k + 1)
    # Draft 2 m: 40 * 12 * 2 = 960 m^3; G on the centre line above the centre of buoyancy.
    corners = [(2, 2), (38, 2), (38, 10), (2, 10)]
    body.write(os.path.join(HERE, "pontoon_barge"), "pontoon_barge.txt", 960, (20, 6, 3),
               vertical_pillars(corners, 0, 4),
               "Box barge 40 x 12 x 4 m, 480 hexahedra; upright at a draft of 2 m")


def semi_submersible():
    """Two pontoons of hexahedra carrying four columns of stacked cylinders."""
    body = SetFile()
    for y0 in (0, 40):
        for i in range(12):
            for j in range(2):
                for k in range(2):
                    body.box(5 * i, y0 + 5 * j, 3 * k, 5 * i + 5, y0 + 5 * j + 5, 3 * k + 3)
    columns = [(10, 5), (50, 5), (50, 45), (10, 45)]
    for x, y in columns:
        for z in range(6, 30, 6):
            body.cylinder((x, y, z), (x, y, z + 6), 6)
    pontoons = 2 * 60 * 10 * 6
    column_area = 30 * 0.5 * 36 * math.sin(2 * 3.1415926 / 30)
    displacement = pontoons + 4 * column_area * 10  # about 10 m of column below the water
    # Deck load off the centre: the platform heels and trims a little.
    body.write(os.path.join(HERE, "semi_submersible"), "semi_submersible.txt",
               round(displacement, 1), (30.6, 25.4, 14), vertical_pillars(columns, 0, 30),
               "Semi-submersible: 96 pontoon hexahedra, 4 columns of 4 cylinders; G off centre")


def spar():
    """A deep-draft spar: a stack of cylinders with its centre of gravity low in the hull."""
    body = SetFile()
    for z in range(0, 150, 10):
        body.cylinder((0, 0, z), (0, 0, z + 10), 10)
    body.cylinder((0, 0, 150), (0, 0, 165), 6)  # topside column
    area = 30 * 0.5 * 100 * math.sin(2 * 3.1415926 / 30)
    marks = [(10, 0), (0, 10), (-10, 0), (0, -10)]
    body.write(os.path.join(HERE, "spar"), "spar.txt", round(area * 120, 1), (0.4, 0, 45),
               vertical_pillars(marks, 0, 150),
               "Spar: 16 cylinders, hull radius 10 m to 150 m; low centre of gravity slightly off the axis")


def hull_section(scale):
    """Half-breadths of a V-bottomed section: keel, chine and deck edge (y, z)."""
    return [(0.0, 0.0), (3.0 * scale, 2.0), (5.0 * scale, 6.0)]


def prism_hull():
    """A 60 m hull of triangle prisms: constant V-bottomed sections with a tapered bow."""
    body = SetFile()
    stations = [i * 5.0 for i in range(13)]
    def scale(x):
        return 1.0 if x <= 45 else max(0.15, 1.0 - (x - 45) / 15 * 0.85)
    for x0, x1 in zip(stations, stations[1:]):
        s0, s1 = hull_section(scale(x0)), hull_section(scale(x1))
        for side in (1, -1):
            (ky, kz), (cy, cz), (dy, dz) = s0
            (ky1, kz1), (cy1, cz1), (dy1, dz1) = s1
            # Keel - chine - deck edge, and keel - deck edge - centre line at the deck.
            body.prism([(x0, 0, kz), (x0, side * cy, cz), (x0, side * dy, dz),
                        (x1, 0, kz1), (x1, side * cy1, cz1), (x1, side * dy1, dz1)])
            body.prism([(x0, 0, kz), (x0, side * dy, dz), (x0, 0, dz),
                        (x1, 0, kz1), (x1, side * dy1, dz1), (x1, 0, dz1)])
    # Loaded to about 45 % of the hull volume, with G aft and to port: heel and trim.
    body.write(os.path.join(HERE, "prism_hull"), "prism_hull.txt", round(0.45 * body.volume, 1),
               (28.0, 0.06, 3.0), [((5, -3, 0), (5, -3, 6)), ((5, 3, 0), (5, 3, 6)),
                                  ((45, 3, 0), (45, 3, 6)), ((45, -3, 0), (45, -3, 6))],
               "Hull of 48 triangle prisms, V-bottomed with a tapered bow; G off centre")


if __name__ == "__main__":
    pontoon_barge()
    semi_submersible()
    spar()
    prism_hull()
