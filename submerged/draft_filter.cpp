#include "submerged/draft_filter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "submerged/fast_evaluation.h"

// The bound
// =========
// Notation: u = 2^-53 (double rounding), gamma(n) = n u / (1 - n u); h_i the computed height
// A x + B y + C z of vertex i (the fast evaluation's heights), s = -D the level of a plane. The
// exact path calls a vertex dry when fl(h_i + D) > 0, which has the sign of h_i - s exactly, so
// its classification is that of the heights h_i and the level s, without error.
//
// 1. Settled elements. An element all of whose points satisfy h <= s is wholly submerged: the
//    exact path gives its precomputed volume, bit for bit. All points with h > s: 0. An element
//    whose points lie on both sides keeps, for every s with maxWet <= s < minDry (its highest
//    submerged and lowest dry point), the same classification of every water tetrahedron: each one
//    is wholly submerged (its precomputed volume), wholly dry (0), or crossed in the same way.
//    Every estimate checks that its level lies in the range common to all settled elements.
//
// 2. A crossed water tetrahedron (volume Vt, largest edge L). Its exact path cuts the edges E->F
//    joining a dry and a submerged vertex at X = E + (F - E) t^, t^ = -fl(h_E + D) / s^,
//    s^ = fl(N . fl(F - E)), and sums the |triple products| / 6 of three pieces (one piece when
//    three vertices are dry). Let t* = (h_E - s) / (h_E - h_F) be the fraction of the heights.
//    - |s^ - (h_F - h_E)| <= Delta = gamma(4) sum|N_c d_c| + gamma(3) (sum|N_c E_c| + sum|N_c
//    F_c|),
//      so with g = |h_E - h_F| and r = Delta / g: |t^ - t*| <= tau = (2u + u^2 + r) / (1 - r).
//      An edge with |s^| < 1e-10 (the exact path takes the parallel branch and its midpoint) or
//      with r > 2^-10 is not vouched for: its element stays active.
//    - With the cut points on the edge lines at the fractions t^, the pieces' volumes are Vt times
//      products of the fractions (and one minus them): (1 - a1), (1 - a3) a1 a2, (1 - a2) a1 with
//      one dry vertex; q1 q2 (1 - p2), q1 p2, (1 - q1) p1 p2 with two; b1 b2 b3 with three. At the
//      fractions t* these sum to the cubic the filter adds (model M), and each product has at most
//      three factors, each within tau of its value at t* and at most 1 + tau in size: the pieces
//      differ from M by at most 8 Vt' tau (1 + tau)^2, with Vt' = Vt + 8 u L^3 the exact volume's
//      bound (the stored Vt is itself a rounded triple product).
//    - The computed point X^ = fl(E + fl(fl(F - E) t^)) lies within
//      rho = u (1.01 |max(|E|, |F|)| + 3.1 |F - E|) of the point on the line; the pieces' edges are
//      at most Lp = L (1 + 2 tau) long before and Lp + 2 rho after, and by Hadamard's inequality
//      and multilinearity the three pieces' volumes move by at most
//      ((Lp + 2 rho)^3 - Lp^3) / 2 = rho (3 Lp^2 + 6 Lp rho + 4 rho^2).
//    - Each triple product rounds at most 8 times per term and once more in / 6: gamma(9) times
//      sum |a_i b_j c_k| <= 3 sqrt(3) (Lp + 2 rho)^3 per piece; the two additions of the pieces
//      add gamma(2) times their sum, at most (Lp + 2 rho)^3 / 2. Together <= 26 u (Lp + 2 rho)^3.
//    So e = 8 Vt' tau (1 + tau)^2 + rho (3 Lp^2 + 6 Lp rho + 4 rho^2) + 26 u (Lp + 2 rho)^3
//    + 8 u L^3, taken 1 % larger for the rounding of its own evaluation.
//
// 3. Sums of the exact path. An element sums its n water tetrahedra in order: at most gamma(n)
//    times the sum of their values, each at most Vt' + e. The body sums its elements in order; an
//    element adding 0 adds no rounding, so with N the elements that are not settled dry, that sum
//    errs by at most gamma(N) times the total, bounded by estimate + the other errors.
//
// 4. The filter's own rounding. The polynomials are formed, summed and evaluated in long double
//    (precision v): with sigma within the ranges of item 1 every fraction lies in [0, 1] and every
//    linear factor is at most 3 in size, so each tetrahedron's polynomial is within
//    gamma_v(40) * 81 Vt of its exact value; the sums of all terms, constants and the Horner
//    evaluation within gamma_v(terms + 64) times the sum of the absolute values that entered them.
//
// The estimate's interval is the computed value widened by twice the sum of items 2 to 4, rounded
// outwards to doubles.

namespace {

constexpr double kUnit = std::numeric_limits<double>::epsilon() / 2;
constexpr long double kUnitLong = std::numeric_limits<long double>::epsilon() / 2;
constexpr double kParallelTolerance = 1e-10;      // the exact path's parallel-edge test
constexpr double kLargestEdgeRatio = 1.0 / 1024;  // r above this: the edge is not vouched for
constexpr double kInfinity = std::numeric_limits<double>::infinity();

double roundingBound(double n) {
  return n * kUnit / (1 - n * kUnit);
}
long double roundingBoundLong(long double n) {
  return n * kUnitLong / (1 - n * kUnitLong);
}

// a + b sigma
struct Linear {
  long double a, b;
};
Linear oneMinus(const Linear& x) {
  return Linear{1 - x.a, -x.b};
}

// Adds scale * x * y * z, expanded in powers of sigma, to c.
void addProduct(long double (&c)[4], long double scale, const Linear& x, const Linear& y,
                const Linear& z) {
  const long double q0 = x.a * y.a, q1 = x.a * y.b + x.b * y.a, q2 = x.b * y.b;
  c[0] += scale * (q0 * z.a);
  c[1] += scale * (q0 * z.b + q1 * z.a);
  c[2] += scale * (q1 * z.b + q2 * z.a);
  c[3] += scale * (q2 * z.b);
}

// The fraction (s - from) / (to - from) as a linear function of sigma = s - anchor.
Linear fraction(double from, double to, double anchor) {
  const long double span = static_cast<long double>(to) - from;
  return Linear{(static_cast<long double>(anchor) - from) / span, 1 / span};
}

double length(const Vec3& v) {
  return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

// One crossed water tetrahedron: its vertices in the exact path's slot order (dry ones first),
// their heights, and the number of dry ones.
struct Crossed {
  const Vec3* p[4];
  double h[4];
  int dry;
};

// Item 2 of the bound for the edges the cut intersects; false when an edge is not vouched for.
bool edgeBounds(const Crossed& x, const Plane& plane, double& tau, double& rho) {
  static constexpr int kEdges[3][4][2] = {{{0, 1}, {0, 2}, {0, 3}, {-1, -1}},
                                          {{1, 2}, {0, 2}, {0, 3}, {1, 3}},
                                          {{3, 0}, {3, 1}, {3, 2}, {-1, -1}}};
  tau = 0;
  rho = 0;
  for (const auto& edge : kEdges[x.dry - 1]) {
    if (edge[0] < 0)
      break;
    const Vec3& e = *x.p[edge[0]];
    const Vec3& f = *x.p[edge[1]];
    const Vec3 d = f - e;
    const double sHat = plane.A * d.x + plane.B * d.y + plane.C * d.z;
    if (!(std::fabs(sHat) >= kParallelTolerance))
      return false;
    const double g = std::fabs(x.h[edge[0]] - x.h[edge[1]]) * (1 - 2 * kUnit);
    const double sumD =
        std::fabs(plane.A * d.x) + std::fabs(plane.B * d.y) + std::fabs(plane.C * d.z);
    const double sumE =
        std::fabs(plane.A * e.x) + std::fabs(plane.B * e.y) + std::fabs(plane.C * e.z);
    const double sumF =
        std::fabs(plane.A * f.x) + std::fabs(plane.B * f.y) + std::fabs(plane.C * f.z);
    const double delta = (roundingBound(4) * sumD + roundingBound(3) * (sumE + sumF)) * 1.0001;
    const double r = delta / g;
    if (!(r <= kLargestEdgeRatio))
      return false;
    tau = std::max(tau, (2.0001 * kUnit + r) / (1 - r) * 1.0001);
    const Vec3 far(std::max(std::fabs(e.x), std::fabs(f.x)),
                   std::max(std::fabs(e.y), std::fabs(f.y)),
                   std::max(std::fabs(e.z), std::fabs(f.z)));
    rho = std::max(rho, kUnit * (1.01 * length(far) + 3.1 * length(d)) * 1.0001);
  }
  return true;
}

// The bound e of item 2 for one crossed water tetrahedron of volume vt; negative when the
// tetrahedron is not vouched for.
double crossedError(const Crossed& x, const Plane& plane, double vt) {
  double tau, rho;
  if (!edgeBounds(x, plane, tau, rho))
    return -1;
  double L = 0;
  for (int i = 0; i < 4; ++i) {
    for (int j = i + 1; j < 4; ++j)
      L = std::max(L, length(*x.p[i] - *x.p[j]));
  }
  L *= 1.0001;
  const double L3 = L * L * L;
  const double lp = L * (1 + 2 * tau);
  const double outer = (lp + 2 * rho) * (lp + 2 * rho) * (lp + 2 * rho);
  const double e = 8 * (vt + 8 * kUnit * L3) * tau * (1 + tau) * (1 + tau) +
                   rho * (3 * lp * lp + 6 * lp * rho + 4 * rho * rho) + 26 * kUnit * outer +
                   8 * kUnit * L3;
  return std::isfinite(e) ? e * 1.01 : -1;
}

// Adds vt times the cubic of the crossed tetrahedron, expanded about the anchor, to c.
void addCubic(long double (&c)[4], const Crossed& x, double vt, double anchor) {
  const Linear one{1, 0};
  const long double v = vt;
  switch (x.dry) {
    case 1: {  // 1 - a1 a2 a3, a_i the fraction from the dry vertex
      const Linear a1 = fraction(x.h[0], x.h[1], anchor), a2 = fraction(x.h[0], x.h[2], anchor),
                   a3 = fraction(x.h[0], x.h[3], anchor);
      c[0] += v;
      addProduct(c, -v, a1, a2, a3);
      break;
    }
    case 2: {  // p_j from W1 = slot 2, q_j from W2 = slot 3, towards D1 = slot 0 and D2 = slot 1
      const Linear p1 = fraction(x.h[2], x.h[0], anchor), p2 = fraction(x.h[2], x.h[1], anchor),
                   q1 = fraction(x.h[3], x.h[0], anchor), q2 = fraction(x.h[3], x.h[1], anchor);
      addProduct(c, v, q1, q2, oneMinus(p2));
      addProduct(c, v, q1, p2, one);
      addProduct(c, v, oneMinus(q1), p1, p2);
      break;
    }
    default: {  // b1 b2 b3, b_i the fraction from the submerged vertex
      const Linear b1 = fraction(x.h[3], x.h[0], anchor), b2 = fraction(x.h[3], x.h[1], anchor),
                   b3 = fraction(x.h[3], x.h[2], anchor);
      addProduct(c, v, b1, b2, b3);
      break;
    }
  }
}

}  // namespace

DraftFilter::DraftFilter(FastEvaluation& fast) : fast_(fast) {
  active_.reserve(fast.elements_.size());
}

void DraftFilter::start(double sLo, double sHi) {
  active_.resize(fast_.elements_.size());
  for (std::size_t e = 0; e < active_.size(); ++e)
    active_[e] = static_cast<std::uint32_t>(e);
  epochs_.clear();
  settledVolume_ = 0;
  settledCount_ = 0;
  dryCount_ = 0;
  maxWet_ = -kInfinity;
  minDry_ = kInfinity;
  narrow(sLo, sHi);
}

void DraftFilter::narrow(double sLo, double sHi) {
  // A bracket so narrow that the rounded levels of its ends are out of order settles nothing
  // more: each settled tetrahedron's polynomial is expanded about a centre between its submerged
  // and its dry vertices.
  if (!(sLo < sHi))
    return;
  sLo_ = sLo;
  sHi_ = sHi;
  pending_ = true;
}

bool DraftFilter::settle(std::uint32_t e, Epoch& epoch) {
  const FastEvaluation::Extent& extent = fast_.extents_[e];
  // The extents are rounded outwards: they bound the heights of the points.
  if (static_cast<double>(extent.highest) <= sLo_) {
    settledVolume_ += fast_.wholeVolume_[e];
    ++settledCount_;
    maxWet_ = std::max(maxWet_, static_cast<double>(extent.highest));
    return true;
  }
  if (static_cast<double>(extent.lowest) > sHi_) {
    ++dryCount_;
    minDry_ = std::min(minDry_, static_cast<double>(extent.lowest));
    return true;
  }
  return absorb(e, epoch);
}

bool DraftFilter::absorb(std::uint32_t e, Epoch& epoch) {
  const FastEvaluation::Element& element = fast_.elements_[e];
  const double* heights = &fast_.heights_[element.firstPoint];
  const std::uint32_t pointCount = fast_.pointEnd_[e] - element.firstPoint;
  double wet = -kInfinity, dry = kInfinity;
  for (std::uint32_t p = 0; p < pointCount; ++p) {
    const double h = heights[p];
    if (h <= sLo_) {
      wet = std::max(wet, h);
    } else if (h > sHi_) {
      dry = std::min(dry, h);
    } else {
      return false;  // inside the bracket (or not a number)
    }
  }
  const Vec3* points = &fast_.points_[element.firstPoint];
  const FastEvaluation::WaterTetrahedron* t = &fast_.tetrahedra_[element.firstTetrahedron];
  long double c[4] = {0, 0, 0, 0};
  double error = 0, upper = 0, magnitude = 0;
  for (std::uint32_t i = 0; i < element.tetrahedronCount; ++i) {
    // The exact path's slots: v1, v2, v3, v0, with each dry vertex swapped to the front.
    int slot[4] = {1, 2, 3, 0};
    int k = 0;
    for (int j = 0; j < 4; ++j) {
      if (heights[t[i].vertex[slot[j]]] > sHi_)
        std::swap(slot[j], slot[k++]);
    }
    const double vt = t[i].volume;
    if (k == 0) {
      c[0] += vt;
      upper += vt;
      magnitude += vt;
      continue;
    }
    if (k == 4)
      continue;
    Crossed x;
    x.dry = k;
    for (int j = 0; j < 4; ++j) {
      x.p[j] = &points[t[i].vertex[slot[j]]];
      x.h[j] = heights[t[i].vertex[slot[j]]];
    }
    const double tetError = crossedError(x, fast_.plane_, vt);
    if (tetError < 0)
      return false;
    addCubic(c, x, vt, epoch.anchor);
    error += tetError;
    upper += vt + 2 * tetError;
    magnitude += 81 * vt;
  }
  if (dry == kInfinity) {  // every point submerged: the precomputed volume, exactly
    settledVolume_ += fast_.wholeVolume_[e];
    ++settledCount_;
    maxWet_ = std::max(maxWet_, wet);
    return true;
  }
  if (wet == -kInfinity) {
    ++dryCount_;
    minDry_ = std::min(minDry_, dry);
    return true;
  }
  for (int j = 0; j < 4; ++j)
    epoch.coefficient[j] += c[j];
  epoch.error += error + roundingBound(element.tetrahedronCount) * upper * 1.01 +
                 static_cast<double>(roundingBoundLong(40)) * magnitude;
  epoch.magnitude += magnitude;
  epoch.terms += element.tetrahedronCount;
  maxWet_ = std::max(maxWet_, wet);
  minDry_ = std::min(minDry_, dry);
  return true;
}

DraftFilter::Estimate DraftFilter::estimate(double D) {
  const double s = -D;
  Plane plane = fast_.plane_;
  plane.D = D;
  double* values = fast_.scratch_.front().data();
  long double active = 0;
  std::size_t kept = 0;
  if (pending_) {
    epochs_.push_back(Epoch{0.5 * sLo_ + 0.5 * sHi_, {0, 0, 0, 0}, 0, 0, 0});
  }
  for (std::size_t i = 0; i < active_.size(); ++i) {
    const std::uint32_t e = active_[i];
    if (pending_ && settle(e, epochs_.back()))
      continue;
    active_[kept++] = e;
    active += fast_.evaluateElement<false>(e, plane, values).volume;
  }
  active_.resize(kept);
  if (pending_ && epochs_.back().terms == 0)
    epochs_.pop_back();
  pending_ = false;
  if (!(maxWet_ <= s && s < minDry_))
    return Estimate{false, 0, 0};
  long double value = settledVolume_ + active;
  long double magnitude = value;
  double error = 0;
  std::size_t terms = active_.size() + settledCount_ + 64;
  for (const Epoch& epoch : epochs_) {
    const long double sigma = static_cast<long double>(s) - epoch.anchor;
    const long double* c = epoch.coefficient;
    value += ((c[3] * sigma + c[2]) * sigma + c[1]) * sigma + c[0];
    const long double a = std::fabs(sigma);
    magnitude += std::fabs(c[0]) + std::fabs(c[1]) * a + std::fabs(c[2]) * a * a +
                 std::fabs(c[3]) * a * a * a + epoch.magnitude;
    error += epoch.error;
    terms += epoch.terms + 8;
  }
  const double own =
      static_cast<double>(roundingBoundLong(static_cast<long double>(terms)) * magnitude);
  const double total = static_cast<double>(std::fabs(value)) + error + own;
  const double elements = static_cast<double>(fast_.elements_.size());
  const double sums = roundingBound(elements - static_cast<double>(dryCount_)) * total *
                      (1 + roundingBound(elements));
  const double bound = 2 * (error + own + sums) * 1.0001 + 1e-300;
  const double lo = static_cast<double>(value - bound);
  const double hi = static_cast<double>(value + bound);
  if (!std::isfinite(lo) || !std::isfinite(hi))
    return Estimate{false, 0, 0};
  return Estimate{true, std::nextafter(lo, -kInfinity), std::nextafter(hi, kInfinity)};
}

std::size_t DraftFilter::memoryBytes() const {
  return active_.capacity() * sizeof(std::uint32_t) + epochs_.capacity() * sizeof(Epoch);
}
