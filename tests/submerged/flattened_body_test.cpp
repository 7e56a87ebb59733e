// The flattened body is written chunk by chunk, each chunk on its own thread and in any order: the
// chunks must cover every element once, in order, and the runs of points and water tetrahedra must
// follow one another without gap; whatever the number of chunks (more chunks than elements
// included) and the order they are written in, the arrays must hold the same bits.

#include "submerged/flattened_body.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "elements/floating_body.h"
#include "support/random_body.h"
#include "support/test_support.h"

namespace {

using test_support::Random;

// The bits of count values, compared byte for byte (for arrays without padding).
template <class T>
bool sameBits(const T* a, const T* b, std::size_t count) {
  return count == 0 || std::memcmp(a, b, count * sizeof(T)) == 0;
}

struct Prepared {
  std::unique_ptr<FlattenedBody> flat;
  std::vector<std::size_t> visited;  // the elements, in the order they were written
};

// The body flattened in `chunks` chunks, written from the last to the first.
Prepared prepare(const FloatingBody& body, std::size_t chunks) {
  const FlattenedBody::Layout layout(body);
  Prepared p;
  p.flat = std::make_unique<FlattenedBody>(body, layout);
  std::vector<FlattenedBody::Found> found(chunks);
  for (std::size_t c = chunks; c-- > 0;)
    found[c] =
        p.flat->prepareChunk(layout, c, chunks, [&p](std::size_t e) { p.visited.push_back(e); });
  for (std::size_t c = 0; c + 1 < chunks; ++c) {
    EXPECT_EQ(found[c].end, found[c + 1].begin) << "chunk " << c;
    found[0].merge(found[c + 1]);
  }
  EXPECT_EQ(found[0].begin, 0u);
  EXPECT_EQ(found[chunks - 1].end, p.flat->elementCount());
  p.flat->takeFound(found[0]);
  return p;
}

class FlattenedBodyChunks : public testing::TestWithParam<std::size_t> {};

TEST_P(FlattenedBodyChunks, AnyChunksInAnyOrderWriteTheSameArrays) {
  // Tetrahedra, hexahedra, prisms and cylinders: all kinds, cylinders alone, no cylinder.
  const int mixes[3][4] = {{25, 20, 12, 20}, {0, 0, 0, 9}, {60, 7, 0, 0}};
  Random shapes(test_support::kSeed * 13);
  for (const auto& mix : mixes) {
    FloatingBody body;
    test_support::fillRandomBody(body, shapes, mix[0], mix[1], mix[2], mix[3]);
    const Prepared one = prepare(body, 1), many = prepare(body, GetParam());
    const FlattenedBody &a = *one.flat, &b = *many.flat;
    const std::size_t elements = a.elementCount();
    ASSERT_EQ(b.elementCount(), elements);
    ASSERT_EQ(b.totalPointCount(), a.totalPointCount());
    ASSERT_EQ(b.waterTetrahedronCount(), a.waterTetrahedronCount());
    // Every element written once; the chunks were written last first, each in order.
    std::vector<int> written(elements, 0);
    for (const std::size_t e : many.visited)
      ++written[e];
    EXPECT_EQ(written, std::vector<int>(elements, 1));
    std::size_t point = 0, tetrahedron = 0;
    for (std::size_t e = 0; e < elements; ++e) {
      const FlattenedBody::Element &x = a.element(e), &y = b.element(e);
      // The runs follow one another in evaluation order.
      ASSERT_EQ(x.firstPoint, point) << "element " << e;
      ASSERT_EQ(x.firstTetrahedron, tetrahedron) << "element " << e;
      point = a.pointEnd(e);
      tetrahedron += x.tetrahedronCount;
      ASSERT_TRUE(x.firstPoint == y.firstPoint && x.firstTetrahedron == y.firstTetrahedron &&
                  x.tetrahedronCount == y.tetrahedronCount && x.index == y.index &&
                  x.kind == y.kind && x.dryCentroidFinite == y.dryCentroidFinite &&
                  a.pointEnd(e) == b.pointEnd(e))
          << "element " << e;
      const double wa = a.wholeVolume(e), wb = b.wholeVolume(e);
      EXPECT_TRUE(sameBits(x.points, y.points, a.pointCount(e)) &&
                  sameBits(a.waterTetrahedra(x), b.waterTetrahedra(y), x.tetrahedronCount) &&
                  sameBits(&x.wholeCentroid, &y.wholeCentroid, 1) && sameBits(&wa, &wb, 1) &&
                  sameBits(&a.wholeMoment(e), &b.wholeMoment(e), 1))
          << "element " << e;
    }
    EXPECT_EQ(point, a.totalPointCount());
    EXPECT_EQ(tetrahedron, a.waterTetrahedronCount());
    // A body of tetrahedra alone keeps no boxes.
    EXPECT_EQ(a.hasBoxes(), mix[1] + mix[2] + mix[3] > 0);
    ASSERT_EQ(b.hasBoxes(), a.hasBoxes());
    for (int side = 0; side < FlattenedBody::kBoxSides && a.hasBoxes(); ++side)
      EXPECT_TRUE(sameBits(a.boxSide(side), b.boxSide(side), elements)) << "side " << side;
    EXPECT_TRUE(sameBits(a.boxReach(), b.boxReach(), 3));
    EXPECT_EQ(a.dryCentroidsFinite(), b.dryCentroidsFinite());
  }
}

// More chunks than the cylinders-only body has elements leave chunks empty.
INSTANTIATE_TEST_SUITE_P(Chunks, FlattenedBodyChunks, testing::Values(2, 3, 5, 64));

}  // namespace
