#pragma once

#include <cstdint>
#include <type_traits>
#include <vector>

#include "app/report/svg_writer.h"
#include "elements/floating_body.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"

// The body as it floats: a frame whose third axis is the water plane's unit normal, so that the
// water is level in every view. ex is the body's x axis laid level (the body's length as seen from
// above), ey = up x ex; a point's height is its signed distance from the water plane, negative
// under water.
struct WaterFrame {
  Vec3 ex, ey, up;
  double offset;  // D / |N|: the height of the body's origin

  explicit WaterFrame(const Plane& water);
  // (along ex, along ey, height above the water).
  Vec3 toWater(const Vec3& p) const { return Vec3(p.dot(ex), p.dot(ey), up.dot(p) + offset); }
};

// Calls visit(corner) for every corner of every element, for a cylinder the circle points of both
// its ends, in the body's element order, then for every vertex of the body's surface mesh.
template <typename Visit>
void forEachCorner(const FloatingBody& body, Visit&& visit) {
  for (const Vec3& v : body.surface.vertices)
    visit(v);
  forEachElement(body, [&](const auto& element) {
    if constexpr (std::is_same_v<std::decay_t<decltype(element)>, Cylinder>) {
      const Vec3 h = element.axisEnd - element.axisStart;
      for (int k = 0; k <= element.segmentCount; ++k) {
        visit(element.circlePoint(k));
        visit(element.circlePoint(k) + h);
      }
    } else {
      for (const Vec3& v : element.vertices)
        visit(v);
    }
  });
}

// Which element faces lie on the body's surface: a face that two elements share (the same
// corners, compared on a grid of a millionth of the bounds' diagonal) lies inside and is not drawn,
// so a meshed body shows its surface, not its mesh. For a cylinder only its two end faces count:
// its side is always on the surface.
//
// A body given as a closed triangle surface has no element faces; its edges are listed with the
// two triangles they join, for the outline to pick the feature and silhouette edges.
class SurfaceFaces {
 public:
  struct MeshEdge {
    std::uint32_t a, b;         // vertices
    std::uint32_t left, right;  // the two triangles
  };

  explicit SurfaceFaces(const FloatingBody& body);
  // Bit f is set when face f of the element (counted in the body's element order) lies on the
  // surface; faces in the order of the face tables of body_outline.cpp, a cylinder's start end
  // as bit 0 and its far end as bit 1.
  unsigned mask(size_t element) const { return masks_[element]; }
  const std::vector<MeshEdge>& meshEdges() const { return meshEdges_; }

 private:
  std::vector<unsigned char> masks_;
  std::vector<MeshEdge> meshEdges_;
};

// The three orthographic views: the profile looks across the body (along ey), the section along
// it (along ex), the plan down on the water.
enum class View { Profile, Section, Plan };

// Where one view lies in the picture: water-frame coordinates to pixels, the view's horizontal
// coordinate h to the right and its vertical v upwards.
struct ViewPlacement {
  View view = View::Profile;
  double scale = 1;  // pixels per length unit, the same in all views
  double left = 0;   // pixel position of hMin
  double top = 0;    // pixel position of vMax
  double hMin = 0, vMax = 0;

  static double horizontal(View view, const Vec3& w) { return view == View::Section ? w.y : w.x; }
  static double vertical(View view, const Vec3& w) { return view == View::Plan ? w.y : w.z; }
  double x(const Vec3& water) const { return left + scale * (horizontal(view, water) - hMin); }
  double y(const Vec3& water) const { return top + scale * (vMax - vertical(view, water)); }
};

// The wireframe of the body in one view. Every edge of every surface face (for a cylinder: the
// rings of its surface ends and, per view, the two generators on its outline) is split where it
// crosses the water plane into a dry and a wet part and projected onto the path grid. Edges
// shorter than kMinPixels are left out, an edge that several faces share is drawn once, and
// pieces that lie on one line of the grid and touch or overlap become one line, so a finely
// meshed body gives a picture of the size of its drawing, not of its element count. In plan,
// where the water plane is the paper itself, the lines along which it cuts the surface faces show
// the waterline.
class BodyOutline {
 public:
  static constexpr double kMinPixels = 0.5;

  BodyOutline(const FloatingBody& body, const SurfaceFaces& surface, const WaterFrame& frame,
              const ViewPlacement& place);

  const SvgPathData& dry() const { return dry_.path; }
  const SvgPathData& wet() const { return wet_.path; }
  const SvgPathData& waterline() const { return waterline_.path; }

 private:
  // A projected piece on the path grid, with its endpoints in order along its line.
  struct Piece {
    long x0, y0, x1, y1;
  };
  struct Lines {
    std::vector<Piece> pieces;
    SvgPathData path;
    void add(long x0, long y0, long x1, long y1);
    void merge();  // pieces into path
    void chain(const std::vector<Piece>& lines);
  };

  // One element as points in the water frame and its faces as index loops, each ended by -1;
  // scratch space kept from element to element.
  struct Element {
    std::vector<Vec3> points;
    std::vector<int> faces;
  };
  template <typename Solid>
  void addSolid(const Solid& solid, unsigned surfaceMask, Element& e);
  void addFaces(const Element& e, unsigned surfaceMask);
  void addCylinder(const Cylinder& c, unsigned surfaceMask, Element& e);
  void addMesh(const TriangleSurface& mesh, const std::vector<SurfaceFaces::MeshEdge>& edges,
               Element& e);
  void addFaceEdges(const Element& e, size_t begin, size_t end);
  void addEdge(const Vec3& a, const Vec3& b);
  void addSegment(const Vec3& a, const Vec3& b, Lines& lines);
  void addFaceWaterline(const Element& e, size_t begin, size_t end);

  const WaterFrame& frame_;
  const ViewPlacement& place_;
  Lines dry_, wet_, waterline_;
};
