#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "submerged/batched_cut.h"
#include "submerged/tetrahedron_cut.h"
#include "support/test_support.h"

using test_support::Random;

namespace {

// Tetrahedra of one kind each, for the cuts where lanes could differ from the scalar cut: ordinary
// ones, slivers whose pieces vanish, edges shorter than the parallel tolerance (their cut point
// is the midpoint), points far from the origin, and a vertex that is not a number.
enum class Kind { Ordinary, Sliver, TinyEdge, Far, NotANumber };

// A tetrahedron near the point c of the plane with unit normal n.
std::vector<Vec3> randomPoints(Random& random, Kind kind, const Vec3& c, const Vec3& n) {
  std::vector<Vec3> p;
  for (int i = 0; i < 4; ++i)
    p.push_back(c + random.point(-1, 1));
  if (kind == Kind::Sliver)
    p[3] = p[0] + (p[1] - p[0]) * 0.5 + (p[2] - p[0]) * 0.25 + random.point(-1e-9, 1e-9);
  if (kind == Kind::TinyEdge) {  // an edge across the plane, too short for a crossing point
    const Vec3 inPlane = c + random.point(-1, 1);
    const Vec3 onPlane = inPlane - n * n.dot(inPlane - c);
    p[0] = onPlane + n * 1e-12;
    p[1] = onPlane - n * 1e-12;
  }
  if (kind == Kind::NotANumber)
    p[2].y = std::numeric_limits<double>::quiet_NaN();
  return p;
}

// The same bits, or both not a number (as for the one-by-one evaluation, whose NaN's sign may
// follow the operands' order the compiler picks).
bool sameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

bool sameBits(const Vec3& a, const Vec3& b) {
  return sameBits(a.x, b.x) && sameBits(a.y, b.y) && sameBits(a.z, b.z);
}

}  // namespace

// Groups of every size from one lane to a few registers, against the scalar cut of each member.
TEST(GroupedCut, EveryMemberHasTheScalarCutsBits) {
  if (!groupedCutsSupported())
    GTEST_SKIP() << "this processor cuts tetrahedra one by one";
  Random random(test_support::kSeed);
  for (const Kind kind :
       {Kind::Ordinary, Kind::Sliver, Kind::TinyEdge, Kind::Far, Kind::NotANumber}) {
    for (int round = 0; round < 200; ++round) {
      SCOPED_TRACE("kind " + std::to_string(static_cast<int>(kind)) + ", round " +
                   std::to_string(round));
      const Vec3 n = random.unitVector();
      const Vec3 c = kind == Kind::Far ? random.point(-1e7, 1e7) : random.point(-1, 1);
      const Plane plane(n.x, n.y, n.z, -n.dot(c));
      std::vector<Vec3> points;
      std::vector<CrossedTetrahedron> groups[3];
      const std::size_t members = 1 + static_cast<std::size_t>(random.uniform(0, 9));
      for (std::size_t t = 0; t < members; ++t) {
        for (const Vec3& p : randomPoints(random, kind, c, n))
          points.push_back(p);
      }
      std::vector<double> values;
      for (const Vec3& p : points)
        values.push_back(plane.value(p));
      std::vector<TetrahedronCut> expected(members);
      for (std::size_t t = 0; t < members; ++t) {
        const std::uint16_t first = static_cast<std::uint16_t>(4 * t);
        const Vec3* const v[4] = {&points[first], &points[first + 1u], &points[first + 2u],
                                  &points[first + 3u]};
        expected[t] = cutTetrahedron<true>(v, &values[first], plane);
        int slot[4];
        const int k = classifyDryFirst(&values[first], slot);
        if (k == 0 || k == 4)
          continue;
        CrossedTetrahedron member{{0, 0, 0, 0}, static_cast<std::uint16_t>(t)};
        for (int j = 0; j < 4; ++j)
          member.point[j] = static_cast<std::uint16_t>(first + slot[j]);
        groups[k - 1].push_back(member);
      }
      std::vector<double> volume(members, -1), volumeOnly(members, -1);
      std::vector<Vec3> centroid(members, Vec3(0, 0, 0));
      for (int k = 1; k <= 3; ++k) {
        const CrossedGroup group{k, groups[k - 1].data(), groups[k - 1].size()};
        cutCrossedGroup<true>(group, points.data(), values.data(), plane, volume.data(),
                              centroid.data());
        cutCrossedGroup<false>(group, points.data(), values.data(), plane, volumeOnly.data(),
                               nullptr);
        for (const CrossedTetrahedron& member : groups[k - 1]) {
          const TetrahedronCut& e = expected[member.index];
          ASSERT_TRUE(sameBits(volume[member.index], e.volume));
          ASSERT_TRUE(sameBits(volumeOnly[member.index], e.volume));
          ASSERT_TRUE(sameBits(centroid[member.index], e.centroid));
        }
      }
    }
  }
}
