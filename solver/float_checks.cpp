#include "solver/float_checks.h"

#include <cmath>
#include <sstream>

#include "submerged/fast_evaluation.h"

namespace {

// A result is reported only when the body holds the displacement volume below its water plane to
// this relative error. The draft search aims at 1e-10; this margin only catches planes it could
// not place at all, whose drafts would be wrong already in the printed digits.
constexpr double kResultVolumeTolerance = 1e-6;

}  // namespace

double volumeBelow(FloatingBody& body, const Plane& plane) {
  if (FastEvaluation* fast = body.fastEvaluation.get()) {
    fast->setNormal(plane.A, plane.B, plane.C);
    return fast->submergedVolume(plane.D);
  }
  return body.computeSubmergedVolume(plane);
}

// A plane above the body's top submerges every element completely, and every tetrahedron then
// contributes its own volume, whatever the plane. An open surface holds no water above its
// openings: its volume is the one it encloses with the openings closed.
double wholeBodyVolume(FloatingBody& body) {
  if (body.surface.isOpen()) {
    double sixTimes, magnitude;
    body.surface.enclosedVolume(sixTimes, magnitude);
    return sixTimes / 6;
  }
  return volumeBelow(body, Plane(0, 0, 1, -body.bounds.zMax));
}

std::string whyInputCannotFloat(const FloatingBody& body, double V, const Vec3& G) {
  std::ostringstream why;
  if (body.tetrahedronCount + body.hexahedronCount + body.prismCount + body.cylinderCount == 0 &&
      body.surface.empty()) {
    why << "The SET file describes no elements: there is no body to float.";
  } else if (!std::isfinite(V) || !(V > 0)) {
    why << "Volume of Displacement=" << V << " is not a positive volume.";
  } else if (!isFinite(G)) {
    why << "Gra_Pt=(" << G.x << ", " << G.y << ", " << G.z << ") is not a finite point.";
  } else if (!std::isfinite(body.bounds.diagonal())) {
    // Lengths, the tolerance of the iteration and the draft search's corners would overflow.
    why << "The body is too large to compute with: the diagonal of its bounding box is not a "
           "finite number (a coordinate or a radius is out of scale).";
  }
  return why.str();
}

std::string whyBodyCannotFloat(FloatingBody& body, double V, const Vec3& G) {
  const std::string problem = whyInputCannotFloat(body, V, G);
  if (!problem.empty())
    return problem;
  std::ostringstream why;
  const double whole = wholeBodyVolume(body);
  if (!std::isfinite(whole)) {
    why << "The volume of the body is not finite: an element is degenerate (for example a "
           "cylinder whose end points coincide).";
  } else if (V > whole && !body.surface.isOpen()) {
    // An open surface's water reaches its opening first: the draft search says where.
    why << "Volume of Displacement=" << V << " exceeds the volume of the whole body (" << whole
        << "): the body cannot float.";
  }
  return why.str();
}

std::string whyResultIsUnsound(FloatingBody& body, double V, const Plane& plane,
                               const Vec3& buoyancyCentre) {
  std::ostringstream why;
  if (!isFinite(plane) || !isFinite(buoyancyCentre)) {
    why << "The iteration ended on a water plane or a centre of buoyancy that is not finite: the "
           "numbers of the SET file are out of scale.";
    return why.str();
  }
  // The draft search stops when the doubles can no longer move the plane (or after its last
  // trial), and then returns the closest plane it found. For a volume far below the resolution
  // of the body's coordinates that plane may hold nothing like V.
  const double held = volumeBelow(body, plane);
  if (!(std::fabs(held - V) <= kResultVolumeTolerance * V)) {
    why << "The water plane cannot be placed for Volume of Displacement=" << V
        << ": the closest plane found holds " << held
        << ". The volume is too small for the size of the body, or the body lies too far from "
           "the origin, for the plane to be placed that finely.";
  }
  return why.str();
}
