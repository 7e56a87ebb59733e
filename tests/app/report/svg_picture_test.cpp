#include "app/report/svg_picture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/report/body_outline.h"
#include "app/report/svg_writer.h"
#include "support/shapes.h"
#include "support/surfaces.h"

namespace {

// A straight line of a path in pixels, its ends in reading order.
struct Line {
  double x0, y0, x1, y1;
  bool level() const { return y0 == y1; }
  bool plumb() const { return x0 == x1; }
};

// Reads path data as SvgPathData writes it (M, m, h, v, l) back into lines.
std::vector<Line> readPath(const std::string& d) {
  std::vector<Line> lines;
  double x = 0, y = 0;
  const char* p = d.c_str();
  while (*p != '\0') {
    const char command = *p++;
    char* end = nullptr;
    const double a = std::strtod(p, &end);
    p = end;
    const double b = command == 'M' || command == 'm' || command == 'l' ? std::strtod(p, &end) : 0;
    p = end;
    const double x0 = x, y0 = y;
    if (command == 'M') {
      x = a, y = b;
    } else if (command == 'm' || command == 'l') {
      x += a, y += b;
    } else if (command == 'h') {
      x += a;
    } else if (command == 'v') {
      y += a;
    }
    if (command != 'M' && command != 'm')
      lines.push_back({x0, y0, x, y});
  }
  return lines;
}

size_t count(const std::vector<Line>& lines, bool (Line::*is)() const) {
  size_t n = 0;
  for (const Line& l : lines)
    n += (l.*is)() ? 1 : 0;
  return n;
}

TEST(SvgWriter, NumbersAndTextAreWrittenTheSameInEveryLocale) {
  EXPECT_EQ(SvgWriter::number(1.5), "1.5");
  EXPECT_EQ(SvgWriter::number(2.0), "2");
  EXPECT_EQ(SvgWriter::number(-0.001), "0");  // no "-0"
  EXPECT_EQ(SvgWriter::number(1234567.125, 1), "1234567.1");
  SvgWriter svg(10, 10);
  svg.label(1, 2, "a<b & \"c\" \x01 \xe2\x9c\x93 \xb8\xa1");  // control byte, UTF-8 tick, GBK bytes
  const std::string text = svg.finish();
  EXPECT_NE(text.find(">a&lt;b &amp; &quot;c&quot;  \xe2\x9c\x93 ?"
                      "?</text>"),
            std::string::npos)
      << text;
}

TEST(SvgPathData, RelativeCommandsReadBackToTheSameLines) {
  SvgPathData d;
  d.segment(4, 8, 12, 8);   // level
  d.segment(12, 8, 12, 0);  // continues: no move
  d.segment(0, 0, -4, 6);   // a move, then a slanted line
  EXPECT_EQ(d.data(), "M1 2h2v-2m-3 0l-1 1.5");
  const std::vector<Line> lines = readPath(d.data());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2].x1, -1);
  EXPECT_EQ(lines[2].y1, 1.5);
}

// Shared faces are inside: in a 3 x 3 x 3 mesh a cell has as many surface faces as it has
// coordinates at the edge of the mesh (the centre none, a corner three).
TEST(SurfaceFaces, FacesSharedByTwoElementsAreInside) {
  FloatingBody body;
  test_support::makeMeshedBox(body, Vec3(-1, 2, 0.5), Vec3(3, 3, 3), 3, 3, 3);
  const SurfaceFaces surface(body);
  for (int i = 0; i < 27; ++i) {
    const int x = i / 9, y = i / 3 % 3, z = i % 3;
    const int outer = (x != 1) + (y != 1) + (z != 1);
    EXPECT_EQ(__builtin_popcount(surface.mask(static_cast<size_t>(i))), outer)
        << "cell " << x << y << z;
  }
}

// Cylinders stacked on a slanted axis: their touching ends are computed from different axis
// points and agree only to rounding, yet they are found inside.
TEST(SurfaceFaces, TouchingEndsOfStackedCylindersAreInside) {
  std::vector<Cylinder> column;
  const Vec3 axis(0.3, -0.7, 1.1);
  for (int k = 0; k < 3; ++k)
    column.emplace_back(Vec3(5, 1, 2) + axis * k, Vec3(5, 1, 2) + axis * (k + 1), 0.9);
  FloatingBody body;
  test_support::fillBody(body, {}, {}, {}, column);
  body.boundingBox();
  const SurfaceFaces surface(body);
  EXPECT_EQ(surface.mask(0), 1u);  // the start end only
  EXPECT_EQ(surface.mask(1), 0u);
  EXPECT_EQ(surface.mask(2), 2u);  // the far end only
}

// A bar of 10 x 2 x 2 cells, level, with the water at 0.4 of its height: in profile the near and
// far sides coincide and the pieces of each level edge merge, leaving the dry top and middle, the
// wet bottom and the eleven cross edges, each cut into a wet and a dry part. In plan the waterline
// is the rectangle.
TEST(BodyOutline, MeshedBarDrawsItsSurfaceLinesOnce) {
  FloatingBody body;
  test_support::makeMeshedBox(body, Vec3(0, 0, 0), Vec3(10, 2, 1), 10, 2, 2);
  const SurfaceFaces surface(body);
  const WaterFrame frame(Plane(0, 0, 1, -0.4));
  ViewPlacement profile;
  profile.scale = 20;
  profile.left = profile.top = 10;
  profile.vMax = 0.6;
  const BodyOutline side(body, surface, frame, profile);
  const std::vector<Line> dry = readPath(side.dry().data()), wet = readPath(side.wet().data());
  EXPECT_EQ(count(dry, &Line::level), 2u);
  EXPECT_EQ(count(dry, &Line::plumb), 11u);
  EXPECT_EQ(count(wet, &Line::level), 1u);
  EXPECT_EQ(count(wet, &Line::plumb), 11u);
  EXPECT_EQ(dry.size() + wet.size(), 25u);
  EXPECT_TRUE(side.waterline().empty());

  ViewPlacement plan = profile;
  plan.view = View::Plan;
  plan.vMax = 2;
  const std::vector<Line> waterline =
      readPath(BodyOutline(body, surface, frame, plan).waterline().data());
  EXPECT_EQ(waterline.size(), 4u);
}

// A box given as a closed triangle surface is drawn as the box element is: its edges where the
// surface bends, none of the diagonals across its faces, and the waterline in plan.
TEST(BodyOutline, SurfaceBoxDrawsLikeItsHexahedron) {
  FloatingBody hexahedron, mesh;
  test_support::fillBody(hexahedron, {}, {test_support::boxHexahedron(Vec3(0, 0, 0), 10, 2, 1)}, {},
                         {});
  hexahedron.boundingBox();
  mesh.surface = surfaces::boxSurface(Vec3(0, 0, 0), 10, 2, 1);
  mesh.boundingBox();
  const WaterFrame frame(Plane(0, 0, 1, -0.4));
  for (View view : {View::Profile, View::Section, View::Plan}) {
    ViewPlacement place;
    place.view = view;
    place.scale = 20;
    place.left = place.top = 10;
    place.vMax = 2;
    const BodyOutline a(hexahedron, SurfaceFaces(hexahedron), frame, place);
    const BodyOutline b(mesh, SurfaceFaces(mesh), frame, place);
    EXPECT_EQ(b.dry().data(), a.dry().data());
    EXPECT_EQ(b.wet().data(), a.wet().data());
    EXPECT_EQ(b.waterline().data(), a.waterline().data());
    EXPECT_FALSE(b.dry().empty());
  }
}

// The picture of a finely meshed body grows with its drawing, not with its element count.
TEST(SvgPicture, SizeFollowsTheDrawingNotTheElementCount) {
  std::string pictures[2];
  const int cells[2] = {2, 40};  // 8 and 64,000 hexahedra
  for (int k = 0; k < 2; ++k) {
    FloatingBody body;
    test_support::makeMeshedBox(body, Vec3(0, 0, 0), Vec3(40, 12, 6), cells[k], cells[k], cells[k]);
    PictureScene scene;
    scene.waterPlane = Plane(0, 0.05, 1, -3);  // slightly heeled
    scene.gravityCentre = Vec3(20, 6, 2);
    scene.buoyancyCentre = Vec3(20, 5.8, 1.5);
    scene.marks.push_back({"1", LineSegment(Vec3(5, 1, 0), Vec3(5, 1, 6))});
    pictures[k] = drawFloatingBodySvg(body, scene);
  }
  // About 5 KB for 8 hexahedra, 42 KB for 64,000 (their surface has 40 grid lines a side).
  EXPECT_LT(pictures[1].size(), 100000u) << "8 hexahedra: " << pictures[0].size() << " bytes";
  // The mark's draft in plan: the plane 0.05 y + z = 3 crosses x = 5, y = 1 at z = 2.95.
  EXPECT_NE(pictures[0].find(">1: 2.95</text>"), std::string::npos);
}

}  // namespace
