#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "elements/triangle_surface.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"
#include "submerged/waterplane.h"
#include "submerged/worker_pool.h"

class FloatingBody;

// The submerged part of a body bounded by a closed triangle surface, for planes of one normal.
//
// The solid below the plane (the plane itself counts as under water) is bounded by the kept parts
// of the triangles and by the cap, the section in the plane. With h the height above the plane
// (negative under water) the field h n has divergence 1 and vanishes on the plane, so by the
// divergence theorem
//   V = sum over the kept pieces of the integral of h (n . outward normal) dA,
// and the cap contributes nothing: it is never built. In the plane's frame (u, v, h),
// (n . outward normal) dA is the piece's projected area, signed, so each piece adds the signed
// volume of the prism between it and its shadow on the plane. The first moments follow from the
// fields (h^2 / 2) n, u h n and v h n the same way, each piece with the closed formulas for
// linear functions over a triangle. The cap's boundary is the chain of cut segments, one per
// crossed triangle, so the waterplane's area, centroid and second moments come from those
// segments by Green's theorem in the plane, again without the cap polygon.
//
// Exact cases: each vertex is classified once (h <= 0 under water) and every triangle sees the
// same class for it; the point where the plane cuts an edge is computed from its submerged end,
// so the two triangles of an edge get the same bits, and a submerged end exactly on the plane is
// the cut point itself. A triangle in the plane, or with an edge along it, is under water and adds
// nothing (h = 0 there); its neighbours close the cap's boundary.
//
// Per normal (setNormal), every vertex gets its frame coordinates relative to the centre of the
// surface's box (so a body far from the origin loses no digits), and every triangle its doubled
// projected area alpha, alpha times the sum of its corners' heights, and its lowest and highest
// height as floats rounded outwards. A triangle wholly under water adds alpha and that product,
// from which its volume follows in closed form for any plane offset; only the triangles the
// plane crosses are cut. Triangles are summed in blocks of kBlockTriangles in order, and the
// blocks in order, so the results do not depend on the number of threads. Nothing is allocated
// per evaluation.
//
// A search (beginSearch, searchVolume, narrowSearch) evaluates planes of one normal whose levels
// stay within a bracket that only shrinks, as the draft search's bisection does. A triangle wholly
// under water for every plane left in the bracket adds alpha and beta for good: they go into
// compensated sums and the triangle leaves the active set; one wholly dry for every plane left
// leaves it too. Each trial visits only the triangles still active, narrowing the set in the same
// pass, so a search of some 35 trials costs a few passes over the surface. The active set is
// kept in the blocks of kBlockTriangles triangles, each narrowed in its own place, and the
// blocks' sums are joined in order, so the volumes do not depend on the number of threads
// either. They agree with submergedVolume to within its rounding (the sums are merely grouped
// differently).
class SurfaceEvaluation {
 public:
  static constexpr std::size_t kBlockTriangles = 4096;
  // A search's active set of at most this many triangles is copied out side by side.
  static constexpr std::size_t kCompactTriangles = 16384;
  // Below this many triangles an evaluation is cheaper than waking the other threads.
  static constexpr std::size_t kDefaultParallelThreshold = 100000;

  // The surface must outlive the evaluation and stay unchanged. threadCount <= 0: one thread per
  // hardware thread; a surface of fewer than parallelThreshold triangles starts no thread.
  SurfaceEvaluation(const TriangleSurface& surface, int threadCount,
                    std::size_t parallelThreshold = kDefaultParallelThreshold);

  // Fixes the normal (A, B, C) of the planes evaluated next; it need not be of unit length. The
  // same normal again costs nothing.
  void setNormal(double A, double B, double C);
  // Volume below the plane (A, B, C, D) with the normal of setNormal. Signed sums: a vanishing
  // part may come out a rounding error below 0.
  double submergedVolume(double D);
  // Starts a search among the planes of the current normal: every triangle active, no bracket.
  void beginSearch();
  // The planes evaluated next lie between the planes of values D1 and D2 (either order; an
  // infinity for an open end) of the current normal. A bracket never widens again.
  void narrowSearch(double D1, double D2);
  // The volume below the plane D, as submergedVolume, from the search's sums and its active
  // triangles; a plane outside the bracket is evaluated in full.
  double searchVolume(double D);
  // Volume and centre of buoyancy (the origin when the volume is exactly 0). plane's normal must be
  // the one given to setNormal.
  void buoyancy(double& volume, Vec3& centre, const Plane& plane);
  // The waterplane section (submerged/waterplane.h); plane's normal must be the one given to
  // setNormal.
  WaterplaneProperties waterplane(const Plane& plane);

  int threadCount() const { return pool_.threadCount(); }
  // Heap memory held by this evaluation, in bytes (the surface itself not counted).
  std::size_t memoryBytes() const;

 private:
  struct FrameCoords {
    double u, v, h;  // relative to centre_; h along the normal
  };
  // Per triangle and normal, in two arrays: every evaluation reads the extents of all triangles,
  // but the slopes only of those under water.
  struct Extent {
    float lowest, highest;  // heights rounded outwards
  };
  struct Slope {
    double alpha;  // doubled projected area, signed
    double beta;   // alpha * (h0 + h1 + h2)
  };
  // Sums over a block of triangles.
  struct Sums {
    double wetAlpha = 0, wetBeta = 0;     // wholly submerged triangles
    double cutVolume6 = 0;                // six times the volume of the crossed triangles' pieces
    double mu24 = 0, mv24 = 0, mh48 = 0;  // 24 int u dV, 24 int v dV, 48 int h dV
    double area2 = 0, u6 = 0, v6 = 0, uu12 = 0, vv12 = 0, uv24 = 0;  // Green's sums of the cap
    std::size_t crossed = 0;                                         // triangles with a cut segment
    void add(const Sums& o);
  };
  struct Point2 {
    double u, v;
  };
  // A sum that carries its rounding errors (the error-free two-sum), for the search's triangles
  // that left the active set under water: up to every triangle of the surface, added up in pieces.
  struct CompensatedSum {
    double sum = 0, error = 0;
    void add(double x);
    void add(const CompensatedSum& o);
    double value() const { return sum + error; }
  };
  // A triangle's corners in the frame, in its own order.
  struct Corners {
    FrameCoords p[3];
  };
  // An active triangle copied out of the surface's arrays once the set is small: its entries lie
  // far apart there, one cache miss each per trial, and in this copy side by side.
  struct CompactTriangle {
    Corners corners;
    Slope slope;
    Extent extent;
  };
  // What one block of the active set gives in a search's pass.
  struct SearchBlock {
    CompensatedSum belowAlpha, belowBeta;  // the triangles that leave the set under water
    double wetAlpha, wetBeta, cutVolume6;  // the trial's sums over the triangles kept
    std::size_t kept;                      // written to the front of the block's entries
  };
  // The wholly submerged triangles' parts of the buoyancy pass.
  struct WetMoments {
    double alpha = 0, beta = 0, mu24 = 0, mv24 = 0, mh48 = 0;
  };

  // What an evaluation sums: the volume alone, the volume and its moments, or the cap's boundary.
  enum class Pass { kVolume, kBuoyancy, kWaterplane };
  template <Pass pass>
  void sumBlock(std::size_t block, double offset, Sums& sums) const;
  template <Pass pass>
  static void cutCorners(const Corners& corners, const Slope& s, double offset, Sums& sums);
  Corners cornersOf(const TriangleSurface::Triangle& t) const {
    return Corners{{coords_[t.v[0]], coords_[t.v[1]], coords_[t.v[2]]}};
  }
  template <Pass pass>
  void cutTriangle(const TriangleSurface::Triangle& t, const Slope& s, double offset,
                   Sums& sums) const;
  template <typename Moments>
  static void addWholeMoments(const FrameCoords (&p)[3], const double (&h)[3], double alpha,
                              Moments& sums);
  void addWetTriangle(const TriangleSurface::Triangle& t, const Slope& s, double offset,
                      WetMoments& wet) const;
  void searchBlock(std::size_t block, double offsetMin, double offsetMax, double offset,
                   SearchBlock& out);
  void searchCompact(double offsetMin, double offsetMax, double offset, SearchBlock& out);
  void compactActiveSet();
  void searchActiveSet(double offset, double& wetAlpha, double& wetBeta, double& cutVolume6);
  void joinSearchBlocks(std::size_t blocks, double& wetAlpha, double& wetBeta, double& cutVolume6);
  static Point2 cutPoint(const FrameCoords& w, double hw, const FrameCoords& d, double hd);
  // in -> out: a piece of the cap's boundary.
  static void addSegment(const Point2& in, const Point2& out, Sums& sums);
  template <Pass pass>
  Sums evaluateAll(double offset);
  double offsetOf(double D) const;
  std::size_t chunkBegin(std::size_t count, int chunk) const;

  // The frame of the current normal: normal and axes of the waterplane (submerged/waterplane.h).
  struct Frame {
    Vec3 normal, axisU, axisV;
  };

  const std::vector<Vec3>& vertices_;
  const std::vector<TriangleSurface::Triangle>& triangles_;
  WorkerPool pool_;
  std::size_t parallelThreshold_;
  bool parallel_ = false;
  Vec3 centre_{0, 0, 0};
  Frame frame_;
  Vec3 normal_{0, 0, 0};  // as given to setNormal
  double normalLength_ = 1;
  double centreHeight_ = 0;          // normal . centre_
  std::vector<FrameCoords> coords_;  // per vertex, for the current normal
  std::vector<Extent> extents_;      // per triangle, for the current normal
  std::vector<Slope> slopes_;        // per triangle, for the current normal
  std::vector<Sums> blockSums_;      // per block, of the last evaluation
  // The search: the active triangles' indices (all triangles while allActive_), the bracket of
  // offsets the set was narrowed to and the one asked for next, and the sums of the triangles
  // that left the set under water.
  std::vector<std::uint32_t> active_;
  std::size_t activeCount_ = 0;
  bool allActive_ = true;
  double appliedMin_ = 0, appliedMax_ = 0, wantedMin_ = 0, wantedMax_ = 0;
  CompensatedSum belowAlpha_, belowBeta_;
  std::vector<SearchBlock> searchBlocks_;
  // The active set as copies (compacted_) once it fits in compact_.
  std::vector<CompactTriangle> compact_;
  bool compacted_ = false;
};

// The surface body's evaluation: body.surfaceEvaluation, made on one thread first when
// prepareFastEvaluation has not made it.
SurfaceEvaluation& surfaceEvaluationOf(FloatingBody& body);

// The waterplane of a surface body (computeWaterplane's surface case): through its surface
// evaluation when it has one, set to the plane's normal, otherwise through one made for the call.
WaterplaneProperties surfaceWaterplane(const FloatingBody& body, const Plane& plane);
