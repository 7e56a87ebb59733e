#pragma once

#include "geometry/vec3.h"

// Where the water will settle for a normal, from the last searches for the same displacement.
//
// Near an equilibrium plane the level s = -D moves with the normal n as s = n . F to first order,
// F the centre of the waterplane (the plane turns about it without changing the volume), and
// bends with the square of the turn where the waterplane's shape changes. A solve's searches
// walk the normal by small turns, now along one line, now back and across it: a rate measured
// along the last turn alone misses every turn across it. So the level is fitted over the last
// few searches in the plane tangent to the last normal, as
//   s = s_last + g . (n - n_last) + c |n - n_last|^2,
// by least squares: the rate g in both directions and one bend c. With too few searches, or
// searches along one line only, the fit drops the bend and then the second direction.
//
// A prediction only places the draft filter's window: a wrong one costs passes, never a result.
class LevelPrediction {
 public:
  // Starts afresh for another displacement.
  void record(const Vec3& n, double V, double level);
  // The predicted level for the normal n and the displacement V; false with fewer than two
  // searches for V, for a normal turned by more than 2 degrees from the last, or where no fit is
  // defined.
  bool predict(const Vec3& n, double V, double& level) const;

 private:
  static constexpr int kKept = 5;
  bool fit(const Vec3& n, int searches, int terms, double& level) const;
  Vec3 normals_[kKept];  // oldest first
  double levels_[kKept] = {0, 0, 0, 0, 0};
  int count_ = 0;
  double volume_ = 0;
};
