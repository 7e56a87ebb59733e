#include "generated_bodies.h"

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
    Hexahedron h;
    h.setVertices(p, 8);
    hexahedra.push_back(h);
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
