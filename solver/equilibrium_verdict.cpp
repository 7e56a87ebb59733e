#include "solver/equilibrium_verdict.h"

#include <cmath>
#include <sstream>

#include "solver/attitude_iteration.h"

namespace {

// The distance of G from the line of action of buoyancy (through B along the normal), the
// quantity the iteration drives below its tolerance, computed without the iteration's console
// note for coincident points.
double actionLineGap(const Vec3& B, const Vec3& G, const Vec3& normal) {
  return (G - B).cross(normal).length() / normal.length();
}

// Names a principal axis by the body axis it lies along, when it does.
std::string describeAxis(const StabilityResult& s) {
  constexpr double kAligned = 1 - 1e-9;
  const Vec3& a = s.minAxis;
  if (std::fabs(a.dot(s.heelAxis)) > kAligned)
    return "the x axis (heel)";
  if (std::fabs(a.dot(s.trimAxis)) > kAligned)
    return "the y axis (trim)";
  std::ostringstream text;
  text << "the axis (" << a.x << ", " << a.y << ", " << a.z << ")";
  return text.str();
}

}  // namespace

EquilibriumCheck checkEquilibrium(const FloatingBody& body, const Plane& plane,
                                  const Vec3& buoyancyCentre, double V, const Vec3& G) {
  EquilibriumCheck check;
  const Vec3 normal(plane.A, plane.B, plane.C);
  check.tolerance = distanceTolerance(body.bounds);
  check.distance = actionLineGap(buoyancyCentre, G, normal);
  check.converged = check.distance <= check.tolerance;
  check.waterplane = computeWaterplane(body, plane);
  check.hasWaterplane = check.waterplane.area > 0;
  check.stability = computeStability(check.waterplane, V, buoyancyCentre, G, normal);
  if (!check.converged || !check.hasWaterplane)
    check.verdict = Verdict::kNotConverged;
  else
    check.verdict = check.stability.stable ? Verdict::kStable : Verdict::kUnstable;
  return check;
}

const char* verdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::kStable:
      return "stable";
    case Verdict::kUnstable:
      return "unstable";
    case Verdict::kNotConverged:
      return "not-converged";
  }
  return "not-converged";
}

int verdictExitCode(const EquilibriumCheck& check) {
  switch (check.verdict) {
    case Verdict::kStable:
      return 0;
    case Verdict::kUnstable:
      return 4;
    case Verdict::kNotConverged:
      return 3;
  }
  return 3;
}

std::vector<std::string> verdictLines(const EquilibriumCheck& check, int digits) {
  std::vector<std::string> lines;
  std::ostringstream text;
  text.precision(digits);
  if (!check.hasWaterplane) {
    lines.push_back(
        "floatstate: no waterplane: the water plane meets no element, the body lies wholly under "
        "the water or out of it");
  }
  if (!check.converged) {
    text << "floatstate: not in equilibrium: the lines of action of gravity and buoyancy are "
         << check.distance << " apart (tolerance " << check.tolerance << ")";
    lines.push_back(text.str());
  } else if (check.verdict == Verdict::kUnstable) {
    text << "floatstate: unstable equilibrium: metacentric height " << check.stability.GMmin
         << " about " << describeAxis(check.stability);
    lines.push_back(text.str());
  }
  return lines;
}
