#include "generated_bodies.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "support/surfaces.h"

namespace {

// The corners of the box [o, o + (a, b, c)] in the hexahedron numbering: p0..p3 around the
// bottom face, p4..p7 above them.
void boxCorners(const Vec3& o, double a, double b, double c, Vec3 (&p)[8]) {
  p[0] = o;
  p[1] = o + Vec3(a, 0, 0);
  p[2] = o + Vec3(a, b, 0);
  p[3] = o + Vec3(0, b, 0);
  for (int i = 0; i < 4; ++i)
    p[4 + i] = p[i] + Vec3(0, 0, c);
}

struct BodyBuilder {
  std::vector<Tetrahedron> tetrahedra;
  std::vector<Hexahedron> hexahedra;
  std::vector<TrianglePrism> prisms;
  std::vector<Cylinder> cylinders;

  void box(const Vec3& o, double a, double b, double c) {
    Vec3 p[8];
    boxCorners(o, a, b, c, p);
    hexahedron(p);
  }

  void hexahedron(const Vec3 (&p)[8]) {
    Hexahedron h;
    h.setVertices(p, 8);
    hexahedra.push_back(h);
  }

  // The prism between the triangles a and b = a + extrusion, ordered so that its volume is
  // positive.
  void prism(const Vec3 (&a)[3], const Vec3& extrusion) {
    Vec3 v[6] = {a[0], a[1], a[2], a[0] + extrusion, a[1] + extrusion, a[2] + extrusion};
    double volume = 0;
    for (const auto& t : TrianglePrism::kSplit) {
      const Vec3 e1 = v[t[1]] - v[t[0]], e2 = v[t[2]] - v[t[0]], e3 = v[t[3]] - v[t[0]];
      volume += e1.x * (e2.y * e3.z - e2.z * e3.y) - e1.y * (e2.x * e3.z - e2.z * e3.x) +
                e1.z * (e2.x * e3.y - e2.y * e3.x);
    }
    if (volume < 0) {
      std::swap(v[1], v[2]);
      std::swap(v[4], v[5]);
    }
    TrianglePrism p;
    p.setVertices(v, 6);
    prisms.push_back(p);
  }

  // The cube [o, o + s] as six tetrahedra around its main diagonal.
  void cubeTetrahedra(const Vec3& o, double s) {
    Vec3 c[8];
    boxCorners(o, s, s, s, c);
    static constexpr int kPaths[6][2] = {{1, 2}, {2, 3}, {3, 7}, {7, 4}, {4, 5}, {5, 1}};
    for (const auto& path : kPaths) {
      tetrahedra.emplace_back(c[0], c[path[0]], c[path[1]], c[6]);
    }
  }

  void moveInto(FloatingBody& body) {
    body.tetrahedronCount = static_cast<int>(tetrahedra.size());
    body.hexahedronCount = static_cast<int>(hexahedra.size());
    body.prismCount = static_cast<int>(prisms.size());
    body.cylinderCount = static_cast<int>(cylinders.size());
    body.tetrahedra = std::make_unique<Tetrahedron[]>(tetrahedra.size());
    body.hexahedra = std::make_unique<Hexahedron[]>(hexahedra.size());
    body.prisms = std::make_unique<TrianglePrism[]>(prisms.size());
    body.cylinders = std::make_unique<Cylinder[]>(cylinders.size());
    std::copy(tetrahedra.begin(), tetrahedra.end(), body.tetrahedra.get());
    std::copy(hexahedra.begin(), hexahedra.end(), body.hexahedra.get());
    std::copy(prisms.begin(), prisms.end(), body.prisms.get());
    std::copy(cylinders.begin(), cylinders.end(), body.cylinders.get());
    body.boundingBox();
  }
};

// The volume of the body as the program measures it: everything below a plane above its top.
double wholeVolume(FloatingBody& body) {
  return body.computeSubmergedVolume(Plane(0, 0, 1, -body.bounds.zMax));
}

}  // namespace

LoadCase makeBargeGrid(FloatingBody& body, int nx, int ny, int nz) {
  const double length = 100, breadth = 40, depth = 10;
  BodyBuilder builder;
  builder.hexahedra.reserve(static_cast<size_t>(nx) * ny * nz);
  const double dx = length / nx, dy = breadth / ny, dz = depth / nz;
  for (int i = 0; i < nx; ++i) {
    for (int j = 0; j < ny; ++j) {
      for (int k = 0; k < nz; ++k)
        builder.box(Vec3(i * dx, j * dy, k * dz), dx, dy, dz);
    }
  }
  builder.moveInto(body);
  return LoadCase{length * breadth * 4, Vec3(length / 2 + 0.5, breadth / 2 + 0.2, 3.5)};
}

LoadCase makeCylinderField(FloatingBody& body, int nx, int ny) {
  const int layers = 10;
  BodyBuilder builder;
  for (int i = 0; i < nx; ++i) {
    for (int j = 0; j < ny; ++j) {
      for (int k = 0; k < layers; ++k) {
        const Vec3 start(i * 12.5, j * 1.1, k * 1.1);
        builder.cylinders.emplace_back(start, start + Vec3(12, 0, 0), 0.5);
      }
    }
  }
  builder.moveInto(body);
  const BoundingBox& b = body.bounds;
  const Vec3 centre((b.xMin + b.xMax) / 2, (b.yMin + b.yMax) / 2, (b.zMin + b.zMax) / 2);
  return LoadCase{0.35 * wholeVolume(body), centre + Vec3(0.3, 0.2, -1.5)};
}

LoadCase makeTetrahedralMesh(FloatingBody& body, int nx, int ny, int nz) {
  const double cell = 1.0;
  BodyBuilder builder;
  for (int i = 0; i < nx; ++i) {
    for (int j = 0; j < ny; ++j) {
      for (int k = 0; k < nz; ++k)
        builder.cubeTetrahedra(Vec3(i * cell, j * cell, k * cell), cell);
    }
  }
  builder.moveInto(body);
  return LoadCase{0.4 * nx * ny * nz * cell * cell * cell,
                  Vec3(nx * cell / 2 + 0.4, ny * cell / 2 - 0.3, nz * cell * 0.3)};
}

namespace {

LoadCase buildMixedPlatform(FloatingBody& body, int sectionsPerMetre, int deckLayers) {
  BodyBuilder builder;
  for (double y0 : {0.0, 40.0}) {  // pontoons 60 x 10 x 6 m in 1 m cells
    for (int i = 0; i < 60; ++i) {
      for (int j = 0; j < 10; ++j) {
        for (int k = 0; k < 6; ++k)
          builder.box(Vec3(i, y0 + j, k), 1, 1, 1);
      }
    }
  }
  const Vec3 columns[4] = {Vec3(10, 5, 6), Vec3(50, 5, 6), Vec3(50, 45, 6), Vec3(10, 45, 6)};
  const int sections = 24 * sectionsPerMetre;
  for (const Vec3& c : columns) {  // columns of radius 6 m from z = 6 to 30
    for (int k = 0; k < sections; ++k) {
      const double z0 = static_cast<double>(k) / sectionsPerMetre;
      const double z1 = static_cast<double>(k + 1) / sectionsPerMetre;
      builder.cylinders.emplace_back(c + Vec3(0, 0, z0), c + Vec3(0, 0, z1), 6);
    }
  }
  for (int i = 0; i < 40; ++i) {  // braces between the pontoons: triangular girders
    for (int s = 0; s < 30; ++s) {
      const double x = 10 + i, y = 10 + s;
      TrianglePrism p;
      const Vec3 v[6] = {Vec3(x, y, 4),     Vec3(x + 1, y, 4),     Vec3(x + 0.5, y, 5),
                         Vec3(x, y + 1, 4), Vec3(x + 1, y + 1, 4), Vec3(x + 0.5, y + 1, 5)};
      p.setVertices(v, 6);
      builder.prisms.push_back(p);
    }
  }
  for (int i = 0; i < 20; ++i) {  // a deck box meshed into tetrahedra
    for (int j = 0; j < 20; ++j) {
      for (int k = 0; k < deckLayers; ++k)
        builder.cubeTetrahedra(Vec3(10 + 2 * i, 5 + 2 * j, 30 + 2 * k), 2);
    }
  }
  builder.moveInto(body);
  return LoadCase{0.5 * wholeVolume(body), Vec3(30.5, 25.4, 14)};
}

}  // namespace

LoadCase makeMixedPlatform(FloatingBody& body) {
  return buildMixedPlatform(body, 1, 4);
}

LoadCase makeLargeMixedPlatform(FloatingBody& body) {
  return buildMixedPlatform(body, 6, 4);
}

LoadCase makeVerticalCylinderField(FloatingBody& body, int n) {
  BodyBuilder builder;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const Vec3 start(i * 1.5, j * 1.5, 0);
      builder.cylinders.emplace_back(start, start + Vec3(0, 0, 10), 0.5);
    }
  }
  builder.moveInto(body);
  const double half = (n - 1) * 1.5 / 2;
  return LoadCase{0.4 * wholeVolume(body), Vec3(half + 0.3, half - 0.2, 3.5)};
}

namespace {

// The ship hull's shape: 120 m long, 10 m of half-breadth amidships, 12 m deep there.
constexpr double kShipLength = 120, kShipHalfBreadth = 10, kShipDepth = 12, kShipSheer = 1.5;

// The depth of the hull at x: the deck rises towards both ends.
double shipDepth(double x) {
  const double u = 2 * x / kShipLength - 1;
  return kShipDepth + kShipSheer * u * u;
}

// The half-breadth of the section at x and height z: a round bilge of radius 3 m, sides flaring
// out above 6 m, the ends finer than the middle (the bow more than the stern) and finest low down.
double shipHalfBreadth(double x, double z) {
  constexpr double bilge = 3;
  double b = kShipHalfBreadth;
  if (z < bilge)
    b += std::sqrt(bilge * bilge - (bilge - z) * (bilge - z)) - bilge;
  if (z > 6)
    b += 0.04 * (z - 6) * (z - 6);
  const double u = 2 * x / kShipLength - 1;
  const double endWidth = 0.12 + 0.25 * std::min(z / kShipDepth, 1.0);
  const double fineness = u > 0 ? u * u * u : u * u * u * u;
  return b * (1 - (1 - endWidth) * fineness);
}

}  // namespace

LoadCase makeShipHull(FloatingBody& body, int stations, int across, int layers) {
  BodyBuilder builder;
  auto node = [&](int i, int j, int k) {
    const double x = kShipLength * i / stations;
    const double z = shipDepth(x) * k / layers;
    return Vec3(x, shipHalfBreadth(x, z) * (2.0 * j / across - 1), z);
  };
  for (int i = 0; i < stations; ++i) {
    for (int j = 0; j < across; ++j) {
      for (int k = 0; k < layers; ++k) {
        const Vec3 p[8] = {node(i, j, k),
                           node(i + 1, j, k),
                           node(i + 1, j + 1, k),
                           node(i, j + 1, k),
                           node(i, j, k + 1),
                           node(i + 1, j, k + 1),
                           node(i + 1, j + 1, k + 1),
                           node(i, j + 1, k + 1)};
        builder.hexahedron(p);
      }
    }
  }
  const double hullVolume = [&] {
    FloatingBody hull;
    BodyBuilder copy = builder;
    copy.moveInto(hull);
    return wholeVolume(hull);
  }();
  // The deckhouse: two tiers of 5 x 2 boxes 3 x 6 x 2.5 m on the deck aft.
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 2; ++j) {
      for (int k = 0; k < 2; ++k)
        builder.box(Vec3(12 + 3 * i, -6 + 6 * j, 13.6 + 2.5 * k), 3, 6, 2.5);
    }
  }
  // The funnel on it, four sections of 1.5 m.
  for (int k = 0; k < 4; ++k)
    builder.cylinders.emplace_back(Vec3(20, 0, 18.6 + 1.5 * k), Vec3(20, 0, 20.1 + 1.5 * k), 1.5);
  // A bulb at the bow in ten sections, and two shafts aft.
  for (int k = 0; k < 10; ++k) {
    builder.cylinders.emplace_back(Vec3(117 + 0.7 * k, 0, 3.5), Vec3(117.7 + 0.7 * k, 0, 3.5), 1.6);
  }
  for (double y : {-3.0, 3.0})
    builder.cylinders.emplace_back(Vec3(4, y, 2), Vec3(14, y, 2), 0.35);
  // Bilge keels, ten prisms of 4 m a side, at the turn of the bilge amidships.
  for (double side : {-1.0, 1.0}) {
    const double y = side * (kShipHalfBreadth - 3 + 3 * std::sqrt(0.5)), z = 3 - 3 * std::sqrt(0.5);
    for (int i = 0; i < 10; ++i) {
      const Vec3 section[3] = {Vec3(40 + 4 * i, y, z), Vec3(40 + 4 * i, y + side * 0.4, z - 0.4),
                               Vec3(40 + 4 * i, y - side * 0.1, z - 0.1)};
      builder.prism(section, Vec3(4, 0, 0));
    }
  }
  // A skeg under the stern: four prisms of 2 m.
  for (int i = 0; i < 4; ++i) {
    const Vec3 section[3] = {Vec3(2 + 2 * i, -0.3, 0.2), Vec3(2 + 2 * i, 0.3, 0.2),
                             Vec3(2 + 2 * i, 0, -1.5)};
    builder.prism(section, Vec3(2, 0, 0));
  }
  builder.moveInto(body);
  return LoadCase{0.45 * hullVolume, Vec3(kShipLength / 2 - 1.5, 0.25, 6.0)};
}

LoadCase makeCrossedLayers(FloatingBody& body) {
  BodyBuilder builder;
  const double length = 80, breadth = 20;
  // Strakes bottom to top: height, cell length along x, offset of the first cell end, cells
  // across.
  struct Strake {
    double z0, height, cell, offset;
    int across;
  };
  const Strake strakes[] = {
      {0, 2, 1.0, 0, 20}, {2, 2.5, 2.5, 1.25, 8}, {4.5, 1.5, 0.5, 0.2, 40}, {6, 4, 4.0, 2.0, 5}};
  for (const Strake& strake : strakes) {
    const int layers = strake.height > 2 ? 2 : 3;
    const double dz = strake.height / layers, dy = breadth / strake.across;
    double x0 = 0;
    for (double x1 = strake.offset > 0 ? strake.offset : strake.cell; x0 < length;
         x0 = x1, x1 = std::min(length, x1 + strake.cell)) {
      for (int j = 0; j < strake.across; ++j) {
        for (int k = 0; k < layers; ++k)
          builder.box(Vec3(x0, j * dy, strake.z0 + k * dz), x1 - x0, dy, dz);
      }
    }
  }
  // One more strake over the waterline in two runs overlapping over 20 m: 0.4 m cells for
  // x < 50 and 1.6 m cells for x > 30, both 1 m high.
  for (int i = 0; i < 125; ++i) {
    for (int j = 0; j < 25; ++j)
      builder.box(Vec3(0.4 * i, 0.8 * j, 10), 0.4, 0.8, 1);
  }
  for (int i = 0; i < 32; ++i) {
    for (int j = 0; j < 10; ++j)
      builder.box(Vec3(30 + 1.6 * i, 2 * j, 10), 1.6, 2, 1);
  }
  builder.moveInto(body);
  const BoundingBox& b = body.bounds;
  return LoadCase{0.45 * wholeVolume(body),
                  Vec3((b.xMin + b.xMax) / 2 + 1.2, (b.yMin + b.yMax) / 2 + 0.3, 4.5)};
}

LoadCase makeHullSurface(FloatingBody& body, int stations, int levels) {
  body.surface = surfaces::hullSurface(stations, levels);
  body.boundingBox();
  return LoadCase{0.45 * wholeVolume(body), Vec3(1.0, 0.3, 3.0)};
}

long long waterTetrahedronCount(const FloatingBody& body) {
  long long n = body.tetrahedronCount + 5LL * body.hexahedronCount + 3LL * body.prismCount;
  for (int i = 0; i < body.cylinderCount; ++i)
    n += 3LL * body.cylinders[i].segmentCount;
  return n;
}

long long bodyBytes(const FloatingBody& body) {
  return static_cast<long long>(
      body.tetrahedronCount * sizeof(Tetrahedron) + body.hexahedronCount * sizeof(Hexahedron) +
      body.prismCount * sizeof(TrianglePrism) + body.cylinderCount * sizeof(Cylinder));
}
