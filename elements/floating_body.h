#pragma once

#include <memory>

#include "elements/cylinder.h"
#include "elements/hexahedron.h"
#include "elements/tetrahedron.h"
#include "elements/triangle_prism.h"
#include "elements/triangle_surface.h"
#include "geometry/bounding_box.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"

class FastEvaluation;
class SurfaceEvaluation;

// The rigid body whose floating attitude is computed. It stays fixed in its own coordinate system;
// the solver moves and turns the water plane instead. The body owns one array per element kind
// (an array exists only when its count is at least 1) and the two given quantities that fix the
// equilibrium. After reading, only the elements' cut results change.
//
// The member functions are defined by the subsystem that owns them; each folder is a library
// that links only the folders below it (solver -> submerged -> elements -> geometry, and
// app/input -> app/platform -> elements), so a member is callable only from its own folder and
// those above:
//   elements/floating_body.cpp      boundingBox, getCentreOfGravity (inline)
//   submerged/body_evaluation.cpp   computeSubmergedVolume, computeBuoyancy
//   submerged/fast_evaluation.cpp   prepareFastEvaluation
//   solver/draft_search.cpp         findWaterPlane
//   solver/attitude_iteration.cpp   solveFloatingAttitude
//   solver/attitude_rotation.cpp    tiltAxis, actionLineDistance
//   app/input/set_file_reader.cpp   readSetFile
class FloatingBody {
 public:
  int tetrahedronCount = 0;
  int hexahedronCount = 0;
  int prismCount = 0;
  int cylinderCount = 0;
  std::unique_ptr<Tetrahedron[]> tetrahedra;
  std::unique_ptr<Hexahedron[]> hexahedra;
  std::unique_ptr<TrianglePrism[]> prisms;
  std::unique_ptr<Cylinder[]> cylinders;
  BoundingBox bounds = BoundingBox::empty();  // box of all elements, set by boundingBox
  double displacementVolume = 0;              // "Volume of Displacement" of the SET file
  Vec3 centreOfGravity{0, 0, 0};              // Gra_Pt of the SET file
  // When set, the solver evaluates the body through it instead of computeSubmergedVolume and
  // computeBuoyancy, with bit-identical results. Made by prepareFastEvaluation once the elements
  // are final; the plain evaluations stay as the reference.
  std::shared_ptr<FastEvaluation> fastEvaluation;
  // The surface that bounds the body when it is given as a mesh instead of elements (it then has
  // no elements): the body is the solid inside it, or, for an open surface, inside it and below
  // its openings. Empty for a body of elements.
  TriangleSurface surface;
  // The evaluation of the surface's submerged part, made by prepareFastEvaluation or by the first
  // body evaluation of a surface body; only the surface evaluation exists for such a body.
  std::shared_ptr<SurfaceEvaluation> surfaceEvaluation;

  FloatingBody() = default;
  FloatingBody(const FloatingBody&) = delete;
  FloatingBody& operator=(const FloatingBody&) = delete;

  Vec3 getCentreOfGravity() const { return centreOfGravity; }
  // Box of all elements (tetrahedra, hexahedra, prisms, cylinders) and of the surface's vertices,
  // stored in bounds and returned. A body without either keeps the empty box. May raise a
  // cylinder's segmentCount to 3.
  BoundingBox boundingBox();

  // Body evaluations. Both cut every element by the plane (leaving each element's cut results
  // describing that plane) in the order tetrahedra, cylinders, hexahedra, prisms. A surface body
  // is evaluated by its surface evaluation instead.
  // Total submerged volume.
  double computeSubmergedVolume(Plane plane);
  // Total submerged volume and the centre of buoyancy (moment sum / volume). When the total is
  // exactly 0 (nothing below the plane, or no elements), the centre is the origin (0, 0, 0).
  void computeBuoyancy(double& volume, Vec3& centre, Plane plane);
  // Builds fastEvaluation for the current elements, or surfaceEvaluation for a surface body;
  // threadCount <= 0 uses every hardware thread. False when its memory cannot be had: the body
  // then keeps to its plain evaluations, with the same results.
  bool prepareFastEvaluation(int threadCount = 0);

  // Draft search: the water plane with the unit normal normal/|normal| below which the body holds
  // the volume V (relative error below 1e-10), found by bisection between the lowest and the
  // highest corner of bounds along the normal, and the centre of buoyancy of that submerged part.
  // Writes plane (unit (A, B, C), D = -n.P) and buoyancyCentre; afterwards every element's cut
  // results describe the returned plane. Judges the lowest corner and every trial plane by their
  // submerged volumes, and evaluates the buoyancy once, for the result. Prints nothing. With
  // fastEvaluation most trials are judged from bounds on the volume instead of its value, with
  // the same decisions and so the same bits.
  // Always ends: when the volume test cannot be met, the search stops as soon as the next trial
  // point would repeat the last one, or after 200 trial planes, and returns the last trial plane
  // with its centre of buoyancy. A V above the whole-body volume thus gives a plane just below the
  // highest corner (nearly all submerged), V = 0 (or NaN) a plane just above the lowest corner
  // (next to nothing submerged), and a negative V the first trial, the plane through the midpoint
  // of the two corners (its relative error is negative and so passes the test).
  // A surface with openings is searched only below the lowest point of its openings along the
  // normal; when the body does not hold V below that point, the search throws
  // WaterReachesOpening with that point (elements/triangle_surface.h).
  void findWaterPlane(Plane& plane, Vec3& buoyancyCentre, double V, Vec3 normal);
  // Attitude iteration: tilts the water-plane normal from (0, 0, 1) until the lines of action of
  // gravity (through G) and buoyancy are no more than 1e-6 times the bounds' diagonal apart,
  // printing its header and one line per step on standard output; asks on the console whether to
  // go on when the tilt step has shrunk to 1e-10 without success. Returns the state of the last
  // printed step. A step limit and a note on long runs are set, and the steps and draft searches
  // of the last run read, through solver/attitude_iteration.h.
  void solveFloatingAttitude(Plane& plane, Vec3& buoyancyCentre, double V, Vec3 G);
  static Vec3 tiltAxis(Vec3 buoyancyCentre, Vec3 gravityCentre, Vec3 normal);
  static double actionLineDistance(Vec3 p1, Vec3 p2, Vec3 lineDirection);

  // SET file reader: fills a freshly constructed body or ends the process with exit code 1.
  void readSetFile(const char* fileName);
};

// Visits every element in the evaluation order: tetrahedra, cylinders, hexahedra, prisms (not the
// declaration order of the body), each kind in array order. Every sum over the body runs in this
// order, so two evaluations of one plane add the same numbers in the same order.
template <typename Body, typename Visit>
void forEachElement(Body& body, Visit&& visit) {
  for (int i = 0; i < body.tetrahedronCount; ++i)
    visit(body.tetrahedra[i]);
  for (int i = 0; i < body.cylinderCount; ++i)
    visit(body.cylinders[i]);
  for (int i = 0; i < body.hexahedronCount; ++i)
    visit(body.hexahedra[i]);
  for (int i = 0; i < body.prismCount; ++i)
    visit(body.prisms[i]);
}
