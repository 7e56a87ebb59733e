#include "solver/load_model.h"

#include <cmath>

namespace {

Vec3 unitOrZero(const Vec3& v) {
  const double length = v.length();
  return length > 0 ? v / length : Vec3(0, 0, 0);
}

}  // namespace

Vec3 levelAlong(const Vec3& n) {
  return unitOrZero(Vec3(1, 0, 0) - n * n.x);
}

Vec3 levelAcross(const Vec3& n) {
  return unitOrZero(n.cross(Vec3(1, 0, 0)));
}

Vec3 weightLinePoint(LoadModel& load, const Vec3& n) {
  const Vec3 G = load.centreOfGravity(n);
  const HeelingArms arms = load.heelingArms();
  if (!arms.any())
    return G;
  return G + levelAcross(n) * arms.heel + levelAlong(n) * arms.trim;
}

double heelingPotential(const HeelingArms& arms, const Vec3& n) {
  const double heel = std::atan2(-n.y, n.z);
  const double trim = std::asin(std::fmax(-1.0, std::fmin(1.0, -n.x)));
  return -(arms.heel * heel + arms.trim * trim);
}

RestoringMatrix loadedRestoringMatrix(const WaterplaneProperties& wp,
                                      const SecondMoments* freeSurface, double V,
                                      double heightOfBAboveG) {
  if (freeSurface == nullptr)
    return restoringMatrix(wp, V, heightOfBAboveG);
  return restoringMatrix(lessFreeSurface(wp, *freeSurface), V, heightOfBAboveG);
}

WaterplaneProperties lessFreeSurface(const WaterplaneProperties& wp, const SecondMoments& fs) {
  WaterplaneProperties reduced = wp;
  reduced.Iuu = wp.Iuu - fs.Iuu;
  reduced.Ivv = wp.Ivv - fs.Ivv;
  reduced.Iuv = wp.Iuv - fs.Iuv;
  return reduced;
}
