#include "submerged/level_prediction.h"

#include <algorithm>
#include <cmath>

namespace {

// Below this, a pivot of the scaled normal equations (1 on their diagonal) leaves the fit to a
// direction the searches hardly moved along: its rate would be guessed, not measured.
constexpr double kSmallestPivot = 1e-9;
// Beyond this turn from the last normal (2 degrees) the fit is not trusted.
constexpr double kLargestTurn = 0.035;

// Solves the k x k system m x = b (k <= 3) by elimination with partial pivoting, its unknowns
// scaled so that m has ones on its diagonal; false where a pivot falls below kSmallestPivot.
bool solveScaled(double (&m)[3][3], double (&b)[3], int k, double (&x)[3]) {
  double scale[3];
  for (int i = 0; i < k; ++i) {
    if (!(m[i][i] > 0))
      return false;
    scale[i] = std::sqrt(m[i][i]);
  }
  for (int i = 0; i < k; ++i) {
    b[i] /= scale[i];
    for (int j = 0; j < k; ++j)
      m[i][j] /= scale[i] * scale[j];
  }
  for (int i = 0; i < k; ++i) {
    int p = i;
    for (int r = i + 1; r < k; ++r)
      p = std::fabs(m[r][i]) > std::fabs(m[p][i]) ? r : p;
    if (!(std::fabs(m[p][i]) >= kSmallestPivot))
      return false;
    std::swap(m[i], m[p]);
    std::swap(b[i], b[p]);
    for (int r = i + 1; r < k; ++r) {
      const double f = m[r][i] / m[i][i];
      for (int j = i; j < k; ++j)
        m[r][j] -= f * m[i][j];
      b[r] -= f * b[i];
    }
  }
  for (int i = k - 1; i >= 0; --i) {
    double sum = b[i];
    for (int j = i + 1; j < k; ++j)
      sum -= m[i][j] * x[j];
    x[i] = sum / m[i][i];
  }
  for (int i = 0; i < k; ++i)
    x[i] /= scale[i];
  return true;
}

// Two unit directions across the normal n, at right angles.
void tangents(const Vec3& n, Vec3& t1, Vec3& t2) {
  const double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
  const Vec3 axis = ax <= ay && ax <= az ? Vec3(1, 0, 0) : ay <= az ? Vec3(0, 1, 0) : Vec3(0, 0, 1);
  t1 = n.cross(axis);
  t1 = t1 / t1.length();
  t2 = n.cross(t1);
}

}  // namespace

void LevelPrediction::record(const Vec3& n, double V, double level) {
  count_ = V == volume_ ? count_ : 0;
  volume_ = V;
  if (count_ == kKept) {
    std::copy(normals_ + 1, normals_ + kKept, normals_);
    std::copy(levels_ + 1, levels_ + kKept, levels_);
    --count_;
  }
  normals_[count_] = n;
  levels_[count_] = level;
  ++count_;
}

bool LevelPrediction::predict(const Vec3& n, double V, double& level) const {
  if (count_ < 2 || !(V == volume_) || !((n - normals_[count_ - 1]).length() <= kLargestTurn))
    return false;
  return (count_ >= 5 && fit(n, 5, 3, level)) ||
         (count_ >= 3 && fit(n, std::min(count_, 4), 2, level)) || fit(n, 2, 1, level);
}

// The fit over the last `searches` searches with `terms` unknowns: 1, the rate along the last
// turn; 2, the rate in both directions across the last normal; 3, with the bend.
bool LevelPrediction::fit(const Vec3& n, int searches, int terms, double& level) const {
  const Vec3& base = normals_[count_ - 1];
  const double baseLevel = levels_[count_ - 1];
  Vec3 t1, t2;
  tangents(base, t1, t2);
  if (terms == 1) {
    const Vec3 turn = base - normals_[count_ - 2];
    t1 = turn / turn.length();
  }
  auto features = [&](const Vec3& d, double(&f)[3]) {
    f[0] = d.dot(t1);
    f[1] = d.dot(t2);
    f[2] = d.dot(d);
  };
  double m[3][3] = {}, b[3] = {}, x[3] = {0, 0, 0};
  for (int j = count_ - searches; j < count_ - 1; ++j) {
    double f[3];
    features(normals_[j] - base, f);
    const double rise = levels_[j] - baseLevel;
    for (int r = 0; r < terms; ++r) {
      b[r] += f[r] * rise;
      for (int c = 0; c < terms; ++c)
        m[r][c] += f[r] * f[c];
    }
  }
  if (!solveScaled(m, b, terms, x))
    return false;
  double f[3];
  features(n - base, f);
  level = baseLevel;
  for (int r = 0; r < terms; ++r)
    level += x[r] * f[r];
  return std::isfinite(level);
}
