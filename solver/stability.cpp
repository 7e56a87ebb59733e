#include "solver/stability.h"

#include <cmath>
#include <limits>

namespace {

// Eigenvalues lo <= hi of the symmetric matrix [[a, b], [b, d]] and the unit eigenvector
// (c, s) of hi, with the angle 0.5 * atan2(2b, a - d); (-s, c) is the eigenvector of lo.
struct SymmetricEigen {
  double lo, hi, c, s;
};

SymmetricEigen eigenOf(double a, double b, double d) {
  const double mean = (a + d) / 2;
  const double radius = std::hypot((a - d) / 2, b);
  const double angle = 0.5 * std::atan2(2 * b, a - d);
  return SymmetricEigen{mean - radius, mean + radius, std::cos(angle), std::sin(angle)};
}

// BM and GM about the projection of a body axis into the plane, or NaN when it has none.
void aboutBodyAxis(const WaterplaneProperties& wp, const Vec3& bodyAxis, double V,
                   double heightOfBAboveG, Vec3& axis, double& BM, double& GM) {
  if (!projectIntoPlane(bodyAxis, wp.normal, axis)) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    axis = Vec3(nan, nan, nan);
    BM = GM = nan;
    return;
  }
  BM = wp.secondMomentAbout(axis) / V;
  GM = BM + heightOfBAboveG;
}

}  // namespace

RestoringMatrix restoringMatrix(const WaterplaneProperties& wp, double V, double heightOfBAboveG) {
  const double couple = V * heightOfBAboveG;
  RestoringMatrix K;
  K.k[0][0] = wp.Iuu + couple;
  K.k[0][1] = -wp.Iuv;
  K.k[1][0] = -wp.Iuv;
  K.k[1][1] = wp.Ivv + couple;
  return K;
}

StabilityResult computeStability(const WaterplaneProperties& wp, double V, Vec3 buoyancyCentre,
                                 Vec3 G, Vec3 normal) {
  StabilityResult r;
  normal.normalize();
  const Vec3& F = wp.centreOfFlotation;
  r.zB = (buoyancyCentre - F).dot(normal);
  r.zG = (G - F).dot(normal);
  const double heightOfBAboveG = r.zB - r.zG;
  r.restoring = restoringMatrix(wp, V, heightOfBAboveG);
  aboutBodyAxis(wp, Vec3(1, 0, 0), V, heightOfBAboveG, r.heelAxis, r.BMt, r.GMt);
  aboutBodyAxis(wp, Vec3(0, 1, 0), V, heightOfBAboveG, r.trimAxis, r.BMl, r.GMl);

  const RestoringMatrix& K = r.restoring;
  const SymmetricEigen e = eigenOf(K.k[0][0], K.k[0][1], K.k[1][1]);
  r.GMmin = e.lo / V;
  r.GMmax = e.hi / V;
  r.maxAxis = wp.axisU * e.c + wp.axisV * e.s;
  r.minAxis = wp.axisU * -e.s + wp.axisV * e.c;
  r.stable = e.lo > 0;
  return r;
}
