#pragma once

// Random bodies as a careless or hostile SET file could describe them: 1 to 50 elements of all
// four kinds, some of them degenerate (flat tetrahedra, hexahedra and prisms, coincident vertices,
// coincident cylinder ends, negative or zero radii), some bodies far from the origin, with a
// displacement volume in (0, whole volume] and a centre of gravity anywhere near the body.

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "elements/floating_body.h"
#include "support/test_support.h"

namespace hostile_body {

using test_support::Random;

// A point on the plane through a, b and c: flat elements are built from such points.
inline Vec3 inPlaneOf(Random& random, const Vec3& a, const Vec3& b, const Vec3& c) {
  return a + (b - a) * random.uniform(-1, 2) + (c - a) * random.uniform(-1, 2);
}

inline Tetrahedron tetrahedron(Random& random, const Vec3& o, bool degenerate) {
  const Vec3 a = o + random.point(-2, 2), b = o + random.point(-2, 2), c = o + random.point(-2, 2);
  if (!degenerate)
    return Tetrahedron(a, b, c, o + random.point(-2, 2));
  return random.uniform(0, 1) < 0.5 ? Tetrahedron(a, b, c, inPlaneOf(random, a, b, c))
                                    : Tetrahedron(a, a, b, c);
}

inline Hexahedron hexahedron(Random& random, const Vec3& o, bool degenerate) {
  const double a = random.uniform(0.2, 4), b = random.uniform(0.2, 4);
  const double c = degenerate ? 0 : random.uniform(0.2, 4);
  const Vec3 corner[8] = {Vec3(0, 0, 0), Vec3(a, 0, 0), Vec3(a, b, 0), Vec3(0, b, 0),
                          Vec3(0, 0, c), Vec3(a, 0, c), Vec3(a, b, c), Vec3(0, b, c)};
  const double jitter = degenerate ? 0 : 0.3;
  Vec3 p[8];
  for (int k = 0; k < 8; ++k)
    p[k] = o + corner[k] + random.point(-jitter, jitter);
  Hexahedron h;
  h.setVertices(p, 8);
  return h;
}

inline TrianglePrism prism(Random& random, const Vec3& o, bool degenerate) {
  const Vec3 a = o + random.point(-2, 2), b = o + random.point(-2, 2);
  Vec3 c = o + random.point(-2, 2);
  Vec3 h = random.point(-2, 2);
  if (degenerate) {
    if (random.uniform(0, 1) < 0.5) {
      h = Vec3(0, 0, 0);  // both triangles coincide
    } else {
      c = a + (b - a) * random.uniform(-1, 2);  // the triangles are segments
    }
  }
  const Vec3 p[6] = {a, b, c, a + h, b + h, c + h};
  TrianglePrism prism;
  prism.setVertices(p, 6);
  return prism;
}

inline Cylinder cylinder(Random& random, const Vec3& o, bool degenerate) {
  Vec3 axis = random.uniform(0, 1) < 0.15 ? Vec3(random.uniform(-4, 4), 0, 0)  // along x
                                          : random.point(-4, 4);
  double radius = random.uniform(0.1, 2);
  if (degenerate) {
    const double pick = random.uniform(0, 1);
    if (pick < 0.2) {
      axis = Vec3(0, 0, 0);  // coincident ends: the body's volume is not finite
    } else if (pick < 0.8) {
      radius = -radius;
    } else {
      radius = 0;
    }
  }
  Cylinder c(o, o + axis, radius);
  return c;
}

template <class Element>
std::unique_ptr<Element[]> arrayOf(int count) {
  return count > 0 ? std::make_unique<Element[]>(static_cast<size_t>(count)) : nullptr;
}

// Fills an empty body with `count` elements; each is degenerate with the given probability. The
// elements lie around `centre` (extent about 20). Computes the bounds.
inline void fill(FloatingBody& body, Random& random, int count, double degenerateShare,
                 const Vec3& centre) {
  int counts[4] = {0, 0, 0, 0};
  for (int i = 0; i < count; ++i)
    ++counts[static_cast<int>(random.uniform(0, 4)) % 4];
  body.tetrahedronCount = counts[0];
  body.hexahedronCount = counts[1];
  body.prismCount = counts[2];
  body.cylinderCount = counts[3];
  body.tetrahedra = arrayOf<Tetrahedron>(counts[0]);
  body.hexahedra = arrayOf<Hexahedron>(counts[1]);
  body.prisms = arrayOf<TrianglePrism>(counts[2]);
  body.cylinders = arrayOf<Cylinder>(counts[3]);
  const auto next = [&]() {
    return std::make_pair(centre + random.point(-8, 8), random.uniform(0, 1) < degenerateShare);
  };
  for (int i = 0; i < counts[0]; ++i) {
    const auto [o, bad] = next();
    body.tetrahedra[i] = tetrahedron(random, o, bad);
  }
  for (int i = 0; i < counts[1]; ++i) {
    const auto [o, bad] = next();
    body.hexahedra[i] = hexahedron(random, o, bad);
  }
  for (int i = 0; i < counts[2]; ++i) {
    const auto [o, bad] = next();
    body.prisms[i] = prism(random, o, bad);
  }
  for (int i = 0; i < counts[3]; ++i) {
    const auto [o, bad] = next();
    body.cylinders[i] = cylinder(random, o, bad);
  }
  body.boundingBox();
}

// A centre of gravity inside the body's box widened by half its size on every side: below, in
// and above the body, so that some bodies float upright, some heel and some capsize.
inline Vec3 gravityNear(Random& random, const BoundingBox& b) {
  const Vec3 lo(b.xMin, b.yMin, b.zMin), hi(b.xMax, b.yMax, b.zMax);
  const Vec3 margin = (hi - lo) * 0.5;
  const Vec3 from = lo - margin, to = hi + margin;
  return Vec3(random.uniform(from.x, to.x), random.uniform(from.y, to.y),
              random.uniform(from.z, to.z));
}

// One body of the solver-robustness runs, drawn in a fixed order from `random`: 1 to 50 elements,
// a tenth of the bodies far from the origin, V the given share of the whole volume (a share <= 0
// draws one in [0.001, 1); a body whose whole volume is not finite gets V = 1) and G near the body.
inline void loadedBody(FloatingBody& body, Random& random, double share, double degenerateShare) {
  const double s = share > 0 ? share : random.uniform(1e-3, 1);
  const int count = 1 + static_cast<int>(random.uniform(0, 50));
  const Vec3 centre = random.uniform(0, 1) < 0.1 ? random.point(-1e4, 1e4) : Vec3(0, 0, 0);
  fill(body, random, count, degenerateShare, centre);
  const double whole = body.computeSubmergedVolume(Plane(0, 0, 1, -body.bounds.zMax));
  body.displacementVolume = std::isfinite(whole) ? whole * s : 1;
  body.centreOfGravity = gravityNear(random, body.bounds);
}

// The runs of the solver-robustness suite: seed, number of bodies, share of the whole volume
// (<= 0: drawn per body) and share of degenerate elements.
struct RobustnessRun {
  std::uint64_t seed;
  int bodies;
  double share;
  double degenerateShare;
};
constexpr RobustnessRun kRandomVolumes{test_support::kSeed, 60, 0, 0.15};
constexpr RobustnessRun kWholeVolume{test_support::kSeed + 1, 30, 1, 0.15};
constexpr RobustnessRun kMillionthOfTheVolume{test_support::kSeed + 2, 12, 1e-6, 0.15};
constexpr RobustnessRun kDegenerateOnly{test_support::kSeed + 3, 30, 0, 1.0};

}  // namespace hostile_body
