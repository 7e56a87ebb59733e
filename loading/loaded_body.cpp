#include "loading/loaded_body.h"

#include "solver/draft_search.h"
#include "solver/float_checks.h"

LoadedBody::LoadedBody(FloatingBody& hull, LoadingCondition& condition)
    : hull_(hull), condition_(condition) {
  for (const Weight& w : condition.weights) {
    mass_ += w.mass;
    weightMoment_ = weightMoment_ + w.centre * w.mass;
  }
  for (Tank& tank : condition.tanks) {
    tanks_.emplace_back(tank);
    mass_ += tanks_.back().mass();
  }
  if (!condition.compartments.empty()) {
    std::vector<BuoyantSum::Part> parts{{&hull, 1.0}};
    for (Compartment& c : condition.compartments) {
      Vec3 centroid;
      compartmentVolumes_.push_back(prepareSolid(*c.solid, centroid));
      parts.push_back({c.solid.get(), -c.permeability});
    }
    sum_ = std::make_unique<BuoyantSum>(std::move(parts));
  }
  double heel = 0, trim = 0;
  for (const HeelingMoment& m : condition.heelingMoments)
    (m.direction == MomentDirection::kHeel ? heel : trim) += m.moment;
  arms_.heel = heel / mass_;
  arms_.trim = trim / mass_;
}

void LoadedBody::placeWater(const Vec3& normal, Plane& plane, Vec3& buoyancyCentre) {
  const double V = displacementVolume();
  if (sum_) {
    findWaterPlaneOfSum(*sum_, hull_.bounds, plane, buoyancyCentre, V, normal);
  } else {
    hull_.findWaterPlane(plane, buoyancyCentre, V, normal);
  }
}

const std::vector<TankLiquid>& LoadedBody::liquidsAt(const Vec3& n) {
  if (cached_ && n == cachedNormal_)
    return liquids_;
  liquids_.clear();
  for (TankState& tank : tanks_)
    liquids_.push_back(tank.settle(n));
  cached_ = true;
  cachedNormal_ = n;
  return liquids_;
}

Vec3 LoadedBody::centreOfGravity(const Vec3& normal) {
  Vec3 moment = weightMoment_;
  for (const TankLiquid& liquid : liquidsAt(normal))
    moment = moment + liquid.centre * liquid.mass;
  return moment / mass_;
}

WaterplaneProperties LoadedBody::waterplane(const Plane& plane) {
  return sum_ ? sum_->waterplane(plane) : computeWaterplane(hull_, plane);
}

bool LoadedBody::freeSurface(const Vec3& normal, SecondMoments& fs) {
  // The tanks' surfaces are sections of planes of the same normal, so their matrices share the
  // frame (axisU, axisV) of the waterplane.
  const Vec3 n = normal / normal.length();
  bool any = false;
  SecondMoments sum;
  const std::vector<TankLiquid>& liquids = liquidsAt(n);
  for (std::size_t k = 0; k < liquids.size(); ++k) {
    if (!liquids[k].slack)
      continue;
    any = true;
    const double ratio = tanks_[k].tank().density / condition_.waterDensity;
    sum.Iuu += ratio * liquids[k].freeSurface.Iuu;
    sum.Ivv += ratio * liquids[k].freeSurface.Ivv;
    sum.Iuv += ratio * liquids[k].freeSurface.Iuv;
  }
  if (any)
    fs = sum;
  return any;
}

double LoadedBody::buoyantVolume(const Plane& plane) {
  if (!sum_)
    return volumeBelow(hull_, plane);
  sum_->setNormal(Vec3(plane.A, plane.B, plane.C));
  return sum_->volume(plane.D);
}

double LoadedBody::buoyantCapacity() {
  double capacity = wholeBodyVolume(hull_);
  for (std::size_t k = 0; k < compartmentVolumes_.size(); ++k)
    capacity -= condition_.compartments[k].permeability * compartmentVolumes_[k];
  return capacity;
}

void LoadedBody::floodedAt(const Plane& plane, std::vector<double>& volumes,
                           std::vector<Vec3>& centres) {
  volumes.clear();
  centres.clear();
  for (Compartment& c : condition_.compartments) {
    double v;
    Vec3 centre;
    partBuoyancy(*c.solid, plane, v, centre);
    volumes.push_back(c.permeability * v);
    centres.push_back(centre);
  }
}
