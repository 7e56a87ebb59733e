#include "submerged/draft_filter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "elements/large_pages.h"
#include "submerged/fast_evaluation.h"
#include "submerged/float_bounds.h"

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
//    Every estimate checks its level against the range of every epoch; a level at or above the
//    highest point of an epoch's elements, or below their lowest, finds them all wholly
//    submerged (the sum of their precomputed volumes) or all dry (0).
//
// 2. The crossed water tetrahedra of an element that the plane crosses (Vt the volume and B_c the
//    extent along axis c of one of them; E_c the extents of the element's points, m_c their
//    largest |coordinate|; g = minDry - maxWet, the gap between its highest submerged and lowest
//    dry point). The exact path cuts the edges E->F joining a dry and a submerged vertex at
//    X = E + (F - E) t^, t^ = -fl(h_E + D) / s^, s^ = fl(N . fl(F - E)), and sums the |triple
//    products| / 6 of three pieces (one when three vertices are dry). Let t* = (h_E - s) /
//    (h_E - h_F) be the fraction of the heights.
//    - |s^ - (h_F - h_E)| <= Delta = gamma(4) sum|N_c| E_c + 2 gamma(3) sum|N_c| m_c for every
//      edge of the element, and every cut edge spans |h_E - h_F| >= g, so with r = Delta / g:
//      |t^ - t*| <= tau = (2u + u^2 + r) / (1 - r) and |s^| >= g - Delta on every cut edge. An
//      element with g - Delta < 1e-10 (an edge the exact path might take as parallel, and cut at
//      its midpoint) or with r > 2^-10 is not vouched for: it stays active.
//    - With the cut points on the edge lines at the fractions t^, the pieces' volumes are Vt times
//      products of the fractions (and one minus them): (1 - a1), (1 - a3) a1 a2, (1 - a2) a1 with
//      one dry vertex; q1 q2 (1 - p2), q1 p2, (1 - q1) p1 p2 with two; b1 b2 b3 with three. At the
//      fractions t* these sum to the cubic the filter adds, and each product has at most three
//      factors, each within tau of its value at t* and at most 1 + tau in size: the pieces differ
//      from the cubic by at most 8 Vt' tau (1 + tau)^2, with Vt' = Vt + gamma(9) prod B_c the
//      bound of the exact volume (the stored Vt is itself a rounded triple product, whose terms
//      sum to at most 6 prod B_c).
//    - The computed point X^ = fl(E + fl(fl(F - E) t^)) lies within
//      rho_c = u (2.1 B_c + 1.01 (m_c + tau B_c)) of the point on the line along axis c. The
//      pieces' points lie in a box of extents B''_c = B_c (1 + 2 tau) + 2 rho_c. Moving one
//      apex of a piece by rho changes its volume by at most (1/3) sum_c rho_c |A_c|, A the area
//      vector of the opposite face, |A_c| <= B''_c+1 B''_c+2; the pieces hold at most 8 cut points
//      in all: (8/3) sum_c rho_c B''_c+1 B''_c+2.
//    - Each triple product rounds at most 8 times per term and once more in / 6, its six terms
//      summing to at most 6 prod B''_c: 3 gamma(9) prod B''_c for the pieces, and gamma(2) times
//      their sum, at most 3 prod B''_c, for the two additions: 33 u prod B''_c with margin.
//    So a tetrahedron errs by at most e = 8 Vt' tau (1 + tau)^2 + (8/3) sum_c rho_c B''_c+1 B''_c+2
//    + 33 u prod B''_c + gamma(9) prod B_c. Only tau and m_c belong to the element: rho_c =
//    a B_c + b_c and B''_c = alpha B_c + 2 b_c with a, alpha and b_c the same for all its
//    tetrahedra, so e is a polynomial in the B_c with non-negative coefficients, and its sum over
//    the n crossed tetrahedra one in n, sum Vt, sum B_c, sum B_c+1 B_c+2 and sum B_0 B_1 B_2. The
//    filter accumulates these per tetrahedron (their computed sums raised by gamma(n + 8)) and
//    expands the polynomial once per element, taken 1 % larger for its own rounding. A cylinder's
//    sums of extents are taken over all its tetrahedra, once: they can only be larger.
//
// 3. Sums of the exact path. An element sums its n water tetrahedra in order: at most gamma(n)
//    times the sum of their values, at most the sum of the Vt plus twice the element's error. The
//    body sums its elements in order; an element adding 0 adds no rounding, so with N the elements
//    that are not settled dry, that sum errs by at most gamma(N) times the total, bounded by
//    estimate + the other errors.
//
// 4. The filter's own rounding. The fractions' coefficients and the products of a tetrahedron's
//    cubic are formed in double (relative error gamma(4) per coefficient). With sigma in the
//    epoch's range every fraction a + b sigma lies in [0, 1] with |a|, |b sigma| <= 1, so a
//    fraction's terms sum to at most 2 in absolute value and one minus it to at most 3; the
//    expanded products' terms then sum to at most 9 Vt (one dry vertex), 2 2 3 + 2 2 + 3 2 2 = 28
//    Vt (two) or 8 Vt (three), and are within gamma(20) * 28 Vt of their exact value. A value at
//    the level itself (sigma = 0) is formed as one quotient instead: the product of the level's
//    distances from the vertices over the product of the edges' spans, or with two dry vertices
//    the three products of four non-negative factors over their common denominator. Each term is
//    then the product of fractions, each in [0, 1], rounded at most 17 times in all (the
//    differences, the products, the sum of three non-negative terms, the quotient and vt): within
//    gamma(17) of at most Vt. An element's n tetrahedra are summed in double, in any order, within
//    gamma(4 n) times the sum of the absolute values that entered (at most 28 Vt per
//    tetrahedron); the elements are summed and evaluated in long double (precision v), within
//    gamma_v(terms + 64) times the same.
//
// The estimate's interval is the computed value widened by twice the sum of items 2 to 4, rounded
// outwards to doubles.
//
// 5. The coarse interval. Every piece of the exact path is a |triple product| / 6 >= 0, so an
//    element gives at least 0. An element whose heights the level separates by a gap g gives at
//    most the sum of its tetrahedra's Vt + e of item 2, where every tetrahedron's extents are
//    bounded by the largest extents of any element of the body, every |coordinate| by the body's
//    largest, tau by its value at r = 2^-10 except in the term 8 Vt' tau (1 + tau)^2, and
//    sum Vt <= W (1 + 2 gamma(n)) with W the element's whole volume (its Vt summed in order); the
//    element's own sum adds gamma(n). Wholly submerged elements give W bit for bit. The interval
//    runs from the sum of the lower values to the sum of the upper ones, widened as in item 3
//    and 4.
//
// 6. The coarse interval without the heights. The exact path cuts an edge with |s^| >= 1e-10 at
//    t^, and then |h_F - h_E| >= 1e-10 - Delta; an edge it takes as parallel, at its midpoint,
//    fraction 1/2. Where the body's Delta is at most 2^-10 (1e-10 - Delta), every cut edge of every
//    element thus has r <= 2^-10 whatever the gap, or an exact fraction. Measured against the
//    fractions t* of the first kind of edge and 1/2 of the second, all in [0, 1], the pieces of
//    item 2 sum to 1 - a1 a2 a3, q1 + p2 - q1 p2 - (1 - q1) p2 (1 - p1) - q1 (1 - q2)(1 - p2), or
//    b1 b2 b3 times Vt, each at most Vt, whether or not the fractions belong to one plane; the
//    bound of item 2 holds around them with tau at r = 2^-10. So item 5's upper value holds for
//    every element the level may cross, without reading its heights.
//
// 7. The coarse interval of every level at once. Where item 6 holds, an element's upper value
//    depends on its whole volume W and its count n of water tetrahedra only, and is at most
//    F W + T with F and T taken at the body's largest n (each grows with n). Until the first
//    estimate settles an element, the level table (level_table.h) sorts the elements into bins
//    by their extents: for a level s, the elements whose highest point lies at or below an edge
//    at or below s are wholly submerged (W bit for bit), the elements outside its reached set
//    are dry (their lowest point lies above s), and the rest count between 0 and F W + T. The
//    table's sums of W, in double, err by at most gamma(elements + bins + 3) times their size;
//    the rest is item 3 and item 4 as for any interval. A bin holding the level only moves its
//    elements from certain to between: a wider interval, never a wrong one.
//
// 8. The window. For an element and a level s let M(s) be the sum over its water tetrahedra of
//    Vt times the submerged share of a tetrahedron whose vertices stand at the computed heights:
//    the cubic of item 2 where s crosses it, 1 below s, 0 above. A share never falls as s rises,
//    so neither does M. Where every edge whose ends differ in height spans at least g, with
//    g - Delta >= 1e-10 and Delta / g <= 2^-10, every edge any level cuts is cut as item 2 says,
//    at every level: the pieces lie within e of the cubic, e summed over all the element's water
//    tetrahedra (a cylinder's extents as in item 2, another element's each bounded by its box,
//    the sum of their Vt by W (1 + 2 gamma(n))), and the element's value within gamma(n) of its
//    pieces' sum. So at every level s <= a the element gives at most (1 + gamma(n)) (M(a) + e),
//    and at every s >= b at least (1 - gamma(n)) (M(b) - e); where s leaves it wholly submerged,
//    W >= (1 - gamma(n)) M(b). M(a) is formed as valueAt forms it, within (28 gamma(20) +
//    2 gamma(n + 3)) W (1 + 2 gamma(n)) (item 4).
//    [sLo, a] is split into bins, and a point's bin never lies above a higher point's. At a level
//    s <= a, an element wholly below a gives W where its highest point lies in a bin below s's
//    (it lies wholly below s), 0 where its lowest point lies in a bin above s's (wholly above s),
//    and otherwise at most F W + T (item 7); an element that a crosses gives 0 where its lowest
//    point lies in a bin above s's, and otherwise at most the bound above (F W + T where its
//    edges are not vouched for, 0 where its heights put it wholly above a); any other gives 0.
//    At s >= b, an element wholly below b gives W bit for bit, one that b crosses at least the
//    bound above (W where its heights put it wholly below b), any other at least 0. The body
//    sums the elements within gamma(N) of their total (item 3). The window's sums are formed
//    over the elements in any order and rounded outwards. None of this asks where the search
//    will end: a window in the wrong place
//    gives intervals that decide nothing, never a wrong decision.

namespace {

constexpr double kUnit = std::numeric_limits<double>::epsilon() / 2;
constexpr long double kUnitLong = std::numeric_limits<long double>::epsilon() / 2;
constexpr double kParallelTolerance = 1e-10;      // the exact path's parallel-edge test
constexpr double kLargestEdgeRatio = 1.0 / 1024;  // r above this: the edge is not vouched for
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Below this many active elements a pass is cheaper than waking the other threads.
constexpr std::size_t kParallelElements = 1024;
// Fewer active elements with at least this many water tetrahedra between them (a few dozen
// cylinders, most of them crossed late in a search) still give both threads enough work.
constexpr std::size_t kParallelTetrahedra = 4096;
// The same for a coarse pass, which reads little more than the extents of most elements.
constexpr std::size_t kParallelCoarseElements = 16384;
// A fine pass over at least this many elements divides them by a sample (see splitActive).
constexpr std::size_t kSampledSplit = 2048;
constexpr std::size_t kWeighStride = 8;

// The window reaches this many times the last prediction's error about the prediction, at first
// and at most these shares of the bracket. It reaches at least kSmallestWindowReach of it: its
// bounds of the trials outside it count the elements that straddle a trial's bin (1/256 of the
// way up to the window) whole, and only a margin of a fair part of a bin between the result and
// the window's ends outweighs them. Narrower windows left the trials just outside undecided,
// and their first fine pass then came with the bracket as wide as a column is tall.
constexpr double kReachPerError = 4;
constexpr double kFirstWindowReach = 1e-3, kSmallestWindowReach = 3e-4, kLargestWindowReach = 1e-2;
// A window bounds each element it may cross about as dearly as valuing it a few times: it pays on
// a body whose searches valued their crossed elements this many times over.
constexpr std::size_t kWindowsPay = 3;

double roundingBound(double n) {
  return n * kUnit / (1 - n * kUnit);
}
long double roundingBoundLong(long double n) {
  return n * kUnitLong / (1 - n * kUnitLong);
}

// a + b sigma
struct Linear {
  double a, b;
};
Linear oneMinus(const Linear& x) {
  return Linear{1 - x.a, -x.b};
}

// Adds scale * x * y * z, expanded in powers of sigma, to c.
[[gnu::always_inline]] inline void addProduct(double (&c)[4], double scale, const Linear& x,
                                              const Linear& y, const Linear& z) {
  const double q0 = x.a * y.a;
  c[0] += scale * (q0 * z.a);
  const double q1 = x.a * y.b + x.b * y.a, q2 = x.b * y.b;
  c[1] += scale * (q0 * z.b + q1 * z.a);
  c[2] += scale * (q1 * z.b + q2 * z.a);
  c[3] += scale * (q2 * z.b);
}

// The fraction (s - h_from) / (h_to - h_from) of a cut edge as a linear function of
// sigma = s - anchor.
[[gnu::always_inline]] inline Linear fraction(double hFrom, double hTo, double anchor) {
  const double inverse = 1 / (hTo - hFrom);
  return Linear{(anchor - hFrom) * inverse, inverse};
}

// Adds vt times the cubic of a crossed water tetrahedron, expanded about the anchor, to c; h holds
// its vertices' heights in the exact path's slot order (dry ones first), dry their number.
void addCubic(double (&c)[4], const double (&h)[4], int dry, double vt, double anchor) {
  switch (dry) {
    case 1: {  // 1 - a1 a2 a3, a_i the fraction from the dry vertex
      c[0] += vt;
      addProduct(c, -vt, fraction(h[0], h[1], anchor), fraction(h[0], h[2], anchor),
                 fraction(h[0], h[3], anchor));
      break;
    }
    case 2: {  // p_j from W1 = slot 2, q_j from W2 = slot 3, towards D1 = slot 0 and D2 = slot 1
      const Linear p1 = fraction(h[2], h[0], anchor), p2 = fraction(h[2], h[1], anchor),
                   q1 = fraction(h[3], h[0], anchor), q2 = fraction(h[3], h[1], anchor);
      addProduct(c, vt, q1, q2, oneMinus(p2));
      addProduct(c, vt, q1, p2, Linear{1, 0});
      addProduct(c, vt, oneMinus(q1), p1, p2);
      break;
    }
    default: {  // b1 b2 b3, b_i the fraction from the submerged vertex
      addProduct(c, vt, fraction(h[3], h[0], anchor), fraction(h[3], h[1], anchor),
                 fraction(h[3], h[2], anchor));
      break;
    }
  }
}

// The products of height differences that valueAtAnchor divides stay inside this range, so that
// neither they nor their quotient overflow, and an underflow in them costs nothing that counts.
constexpr double kSmallestProduct = 0x1p-900, kLargestProduct = 0x1p900;

// The slots of a crossed water tetrahedron (the exact path's v1, v2, v3, v0) by its dry mask (bit
// j for slot j): the dry ones first, then the submerged ones, each in slot order.
constexpr std::uint8_t kDryFirst[16][4] = {{0, 1, 2, 3}, {0, 1, 2, 3}, {1, 0, 2, 3}, {0, 1, 2, 3},
                                           {2, 0, 1, 3}, {0, 2, 1, 3}, {1, 2, 0, 3}, {0, 1, 2, 3},
                                           {3, 0, 1, 2}, {0, 3, 1, 2}, {1, 3, 0, 2}, {0, 1, 3, 2},
                                           {2, 3, 0, 1}, {0, 2, 3, 1}, {1, 2, 3, 0}, {0, 1, 2, 3}};

constexpr int kDryCount[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};

// vt times the cubic of a crossed water tetrahedron at the anchor alone, as valueAt needs it, with
// one division instead of one per fraction: each product of fractions is written over the product
// of their denominators (with two dry vertices the three products over E20 E21 E30 E31, e_ij =
// h_i - h_j). h and dry as for addCubic. The cubic is the tetrahedron's submerged volume, which
// does not depend on the order of its dry or of its submerged vertices. Where the products could
// leave the range of doubles, the fractions one by one.
double valueAtAnchor(const double (&h)[4], int dry, double vt, double anchor) {
  double numerator, denominator;
  if (dry == 2) {  // q1 q2 (1 - p2) + q1 p2 + (1 - q1) p1 p2
    const double a = anchor - h[2], b = anchor - h[3];
    const double e20 = h[0] - h[2], e21 = h[1] - h[2], e30 = h[0] - h[3], e31 = h[1] - h[3];
    numerator = ((b * b) * (h[1] - anchor)) * e20 + ((b * a) * e20) * e31 +
                ((a * a) * (h[0] - anchor)) * e31;
    denominator = ((e30 * e21) * e20) * e31;
  } else if (dry == 1) {  // 1 - a1 a2 a3, a_i = (h0 - s) / (h0 - h_i)
    const double d = h[0] - anchor;
    numerator = (d * d) * d;
    denominator = ((h[0] - h[1]) * (h[0] - h[2])) * (h[0] - h[3]);
  } else {  // b1 b2 b3, b_i = (s - h3) / (h_i - h3)
    const double d = anchor - h[3];
    numerator = (d * d) * d;
    denominator = ((h[0] - h[3]) * (h[1] - h[3])) * (h[2] - h[3]);
  }
  if (!(denominator >= kSmallestProduct && denominator <= kLargestProduct &&
        numerator <= kLargestProduct)) {
    double c[4] = {0, 0, 0, 0};
    addCubic(c, h, dry, vt, anchor);
    return c[0];
  }
  const double product = vt * (numerator / denominator);
  return dry == 1 ? vt - product : product;
}

// The box of an element's points: lo and hi along each axis.
struct Box {
  double lo[3] = {kInfinity, kInfinity, kInfinity};
  double hi[3] = {-kInfinity, -kInfinity, -kInfinity};
  void add(const Vec3& p) {
    const double x[3] = {p.x, p.y, p.z};
    for (int c = 0; c < 3; ++c) {
      lo[c] = std::min(lo[c], x[c]);
      hi[c] = std::max(hi[c], x[c]);
    }
  }
};

double spanOf(double a, double b, double c, double d) {
  return std::max(std::max(a, b), std::max(c, d)) - std::min(std::min(a, b), std::min(c, d));
}

// Sums over the crossed water tetrahedra of an element of their extents B_c along each axis:
// n, sum B_c, sum B_c+1 B_c+2 and sum B_0 B_1 B_2, and of their volumes.
struct CrossedSums {
  double count = 0, volume = 0;
  double extent[3] = {0, 0, 0}, face[3] = {0, 0, 0}, box = 0;
  void add(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3, double vt) {
    const double bx = spanOf(p0.x, p1.x, p2.x, p3.x), by = spanOf(p0.y, p1.y, p2.y, p3.y),
                 bz = spanOf(p0.z, p1.z, p2.z, p3.z);
    extent[0] += bx;
    extent[1] += by;
    extent[2] += bz;
    face[0] += by * bz;
    face[1] += bx * bz;
    face[2] += bx * by;
    box += bx * by * bz;
    count += 1;
    volume += vt;
  }
  // A crossed water tetrahedron of vertices v among the points: its volume and count alone where
  // the element's extents are summed once (see takeExtents), otherwise its extents too.
  void addCrossed(const Vec3* points, const std::uint16_t* v, double vt, bool extentsSummed) {
    if (extentsSummed) {
      count += 1;
      volume += vt;
    } else {
      add(points[v[0]], points[v[1]], points[v[2]], points[v[3]], vt);
    }
  }
  // Takes the extents' sums from ones over a superset of the crossed tetrahedra.
  template <typename Sums>
  void takeExtents(const Sums& all) {
    for (int c = 0; c < 3; ++c) {
      extent[c] = all.extent[c];
      face[c] = all.face[c];
    }
    box = all.box;
  }
};

// The bound of item 2 summed over the crossed water tetrahedra of an element whose points lie in
// the box and whose submerged and dry points lie at least gap apart in height; negative when the
// element's cuts are not vouched for.
double crossedError(const Box& element, const CrossedSums& sums, const Plane& plane, double gap) {
  const double normal[3] = {std::fabs(plane.A), std::fabs(plane.B), std::fabs(plane.C)};
  double m[3], spread = 0, reach = 0;
  for (int c = 0; c < 3; ++c) {
    m[c] = std::max(std::fabs(element.lo[c]), std::fabs(element.hi[c]));
    spread += normal[c] * (element.hi[c] - element.lo[c]) * (1 + 2 * kUnit);
    reach += normal[c] * m[c];
  }
  const double delta = (roundingBound(4) * spread + 2 * roundingBound(3) * reach) * 1.0001;
  const double span = gap * (1 - 2 * kUnit);
  const double r = delta / span;
  // Every cut edge spans at least span in height, so its computed s^ at least span - delta.
  if (!(r <= kLargestEdgeRatio) || !(span - delta >= kParallelTolerance * 1.0001))
    return -1;
  // (2u + u^2 + r) / (1 - r) without a division: 1 / (1 - r) <= 1 + 1.002 r for r <= 2^-10.
  const double tau = (2.0001 * kUnit + r) * (1 + 1.002 * r) * 1.0001;
  // The computed sums of extents, raised to bound the exact sums of the exact extents.
  const double n = sums.count, grow = 1 + roundingBound(n + 8);
  double S[3], P[3], beta[3], b[3];
  for (int c = 0; c < 3; ++c) {
    S[c] = sums.extent[c] * grow;
    P[c] = sums.face[c] * grow;
    b[c] = 1.01 * kUnit * m[c] * 1.0001;  // rho_c = a B_c + b_c
    beta[c] = 2 * b[c];                   // outer_c = alpha B_c + beta_c
  }
  const double V = sums.box * grow, a = kUnit * (2.1 + 1.01 * tau) * 1.0001,
               alpha = 1 + 2 * tau + 2 * a;
  // sum over the tetrahedra of rho_c outer_c+1 outer_c+2, expanded in the sums of extents
  double moved = 0;
  for (int c = 0; c < 3; ++c) {
    const int d = (c + 1) % 3, f = (c + 2) % 3;
    moved += a * alpha * alpha * V + a * alpha * (beta[f] * P[f] + beta[d] * P[d]) +
             a * beta[d] * beta[f] * S[c] + b[c] * alpha * alpha * P[c] +
             b[c] * alpha * (beta[f] * S[d] + beta[d] * S[f]) + n * b[c] * beta[d] * beta[f];
  }
  const double outer =
      alpha * alpha * alpha * V +
      alpha * alpha * (beta[0] * P[0] + beta[1] * P[1] + beta[2] * P[2]) +
      alpha * (beta[1] * beta[2] * S[0] + beta[0] * beta[2] * S[1] + beta[0] * beta[1] * S[2]) +
      n * beta[0] * beta[1] * beta[2];
  const double vt = sums.volume * grow;
  const double e = 8 * (vt + roundingBound(9) * V) * tau * (1 + tau) * (1 + tau) + 8.0 / 3 * moved +
                   33 * kUnit * outer + roundingBound(9) * V + 28 * roundingBound(20) * vt;
  return std::isfinite(e) ? e * 1.01 : -1;
}

// The crossed water tetrahedra of an element that absorbSides settles, count of them from t, whose
// points' heights and sides (1 for dry) it has read: vt times each crossed one's cubic, expanded
// about the anchor, goes to c, the submerged ones' volumes to wetVolume, and each crossed one to
// the bound's sums (its volume and count alone where the element's extents are summed once).
template <typename WaterTetrahedron>
void addCrossed(const WaterTetrahedron* t, std::uint32_t count, const Vec3* points,
                const double* heights, const unsigned char* dryPoint, double dryLimit,
                double anchor, bool summed, double (&c)[4], double& wetVolume, CrossedSums& sums) {
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint16_t* v = t[i].vertex;
    const double vt = t[i].volume;
    // Most tetrahedra of a crossed element lie wholly on one side: their points' sides tell,
    // without their heights.
    const int dryVertices = dryPoint[v[0]] + dryPoint[v[1]] + dryPoint[v[2]] + dryPoint[v[3]];
    if (dryVertices == 0) {
      wetVolume += vt;
    } else if (dryVertices < 4) {
      // The exact path's slots: v1, v2, v3, v0, with each dry vertex swapped to the front.
      double h[4] = {heights[v[1]], heights[v[2]], heights[v[3]], heights[v[0]]};
      int k = 0;
      for (int j = 0; j < 4; ++j) {
        if (h[j] > dryLimit)
          std::swap(h[j], h[k++]);
      }
      addCubic(c, h, k, vt, anchor);
      sums.addCrossed(points, v, vt, summed);
    }
  }
}

// The same with the cubics' values at the anchors alone, each added to its c0. Their slots come
// from the dry mask, and the values go to two sums in turn: a tetrahedron's value does not wait
// for the last one's addition.
template <typename WaterTetrahedron, int kAnchors>
void valueCrossed(const WaterTetrahedron* t, std::uint32_t count, const Vec3* points,
                  const double* heights, const unsigned char* dryPoint,
                  const double (&anchor)[kAnchors], bool summed, double (&c0)[kAnchors],
                  double& wetVolume, CrossedSums& sums) {
  double value[kAnchors][2] = {};
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint16_t* v = t[i].vertex;
    const double vt = t[i].volume;
    const unsigned mask = dryPoint[v[1]] | dryPoint[v[2]] << 1 | dryPoint[v[3]] << 2 |
                          static_cast<unsigned>(dryPoint[v[0]]) << 3;
    if (mask == 0) {
      wetVolume += vt;
    } else if (mask != 15) {
      const std::uint8_t* slot = kDryFirst[mask];
      const double h[4] = {heights[v[(slot[0] + 1) & 3]], heights[v[(slot[1] + 1) & 3]],
                           heights[v[(slot[2] + 1) & 3]], heights[v[(slot[3] + 1) & 3]]};
      for (int k = 0; k < kAnchors; ++k)
        value[k][i & 1] += valueAtAnchor(h, kDryCount[mask], vt, anchor[k]);
      sums.addCrossed(points, v, vt, summed);
    }
  }
  for (int k = 0; k < kAnchors; ++k)
    c0[k] += value[k][0] + value[k][1];
}

}  // namespace

// On a large body the elements' bounds are found by the evaluation's threads, each over a chunk of
// the elements, and combined after.
DraftFilter::DraftFilter(FastEvaluation& fast)
    : fast_(fast),
      passes_(static_cast<std::size_t>(fast.threadCount())),
      lists_(2 * passes_.size()) {
  const std::size_t elements = flat().elementCount();
  reserveAdvised(active_, elements);
  reserveAdvised(members_, elements);
  // A chunk may hold every active element (its share is of their water tetrahedra).
  for (std::vector<std::uint32_t>& list : lists_)
    reserveAdvised(list, elements);
  std::vector<BodyBounds> found(passes_.size());
  // Found apart and stored once, as the evaluation's own chunks are (see its constructor).
  auto job = [this, &found](int chunk) {
    found[static_cast<std::size_t>(chunk)] = boundChunk(chunk);
  };
  fast.pool().runChunks(job, fast.parallel());
  for (std::size_t chunk = 1; chunk < found.size(); ++chunk)
    found[0].merge(found[chunk]);
  mostTetrahedra_ = found[0].mostTetrahedra;
  finite_ = found[0].finite;
  std::copy(found[0].largestExtent, found[0].largestExtent + 3, largestExtent_);
  std::copy(found[0].largestCoordinate, found[0].largestCoordinate + 3, largestCoordinate_);
  sumCylinders();
  chunkBegin_.assign(passes_.size() + 1, 0);
}

// The maxima ignore a NaN the same way in any order (none enters them), so the chunks' maxima
// combine to the bits of one pass over all elements.
void DraftFilter::BodyBounds::merge(const BodyBounds& other) {
  mostTetrahedra = std::max(mostTetrahedra, other.mostTetrahedra);
  finite = finite && other.finite;
  for (int c = 0; c < 3; ++c) {
    largestExtent[c] = std::max(largestExtent[c], other.largestExtent[c]);
    largestCoordinate[c] = std::max(largestCoordinate[c], other.largestCoordinate[c]);
  }
}

// Makes the chunk's part of the lists present, and bounds the chunk's elements.
DraftFilter::BodyBounds DraftFilter::boundChunk(int chunk) {
  const std::size_t parts = fast_.parallel() ? passes_.size() : 1;
  populatePart(active_, static_cast<std::size_t>(chunk), parts);
  populatePart(members_, static_cast<std::size_t>(chunk), parts);
  for (std::vector<std::uint32_t>& list : lists_)
    populatePart(list, static_cast<std::size_t>(chunk), parts);
  const FlattenedBody& flat = this->flat();
  BodyBounds found;
  const auto firstPoint = [&flat](std::size_t e) { return flat.element(e).firstPoint; };
  const std::size_t end =
      flat.chunkByPoints(static_cast<std::size_t>(chunk) + 1, parts, firstPoint);
  for (std::size_t e = flat.chunkByPoints(static_cast<std::size_t>(chunk), parts, firstPoint);
       e < end; ++e) {
    found.mostTetrahedra = std::max(found.mostTetrahedra, flat.element(e).tetrahedronCount);
    Box box;
    const Element& element = flat.element(e);
    for (std::uint32_t p = 0; p < flat.pointCount(e); ++p) {
      box.add(element.points[p]);
      found.finite = found.finite && isFinite(element.points[p]);
    }
    for (int c = 0; c < 3; ++c) {
      found.largestExtent[c] = std::max(found.largestExtent[c], box.hi[c] - box.lo[c]);
      found.largestCoordinate[c] = std::max(found.largestCoordinate[c],
                                            std::max(std::fabs(box.lo[c]), std::fabs(box.hi[c])));
    }
  }
  return found;
}

void DraftFilter::sumCylinders() {
  const FlattenedBody& flat = this->flat();
  std::size_t e = 0;
  while (e < flat.elementCount() && flat.element(e).kind != FlattenedBody::Kind::Cylinder)
    ++e;
  firstCylinder_ = e;
  std::size_t end = e;
  while (end < flat.elementCount() && flat.element(end).kind == FlattenedBody::Kind::Cylinder)
    ++end;
  cylinderSums_.reserve(end - e);
  for (; e < end; ++e) {
    const Vec3* points = flat.element(e).points;
    const WaterTetrahedron* t = flat.waterTetrahedra(flat.element(e));
    CrossedSums sums;
    for (std::uint32_t i = 0; i < flat.element(e).tetrahedronCount; ++i) {
      const std::uint16_t* v = t[i].vertex;
      sums.add(points[v[0]], points[v[1]], points[v[2]], points[v[3]], 0);
    }
    // Raised to bound the exact sums of the exact extents, as item 2 raises the sums over the
    // crossed ones.
    const double grow = 1 + roundingBound(sums.count + 8);
    ExtentSums rounded;
    for (int c = 0; c < 3; ++c) {
      rounded.extent[c] = roundedUp(sums.extent[c] * grow);
      rounded.face[c] = roundedUp(sums.face[c] * grow);
    }
    rounded.box = roundedUp(sums.box * grow);
    cylinderSums_.push_back(rounded);
  }
}

void DraftFilter::boxOf(std::uint32_t e, double (&lo)[3], double (&hi)[3]) const {
  if (!flat().hasBoxes()) {
    Box box;
    const Element& element = flat().element(e);
    for (std::uint32_t p = 0; p < flat().pointCount(e); ++p)
      box.add(element.points[p]);
    std::copy(box.lo, box.lo + 3, lo);
    std::copy(box.hi, box.hi + 3, hi);
    return;
  }
  for (int a = 0; a < 3; ++a) {
    lo[a] = flat().boxSide(a)[e];
    hi[a] = flat().boxSide(3 + a)[e];
  }
}

// Item 8: the smallest span in height of an element's edges whose ends differ in height bounds
// every cut edge at every level; the extents of its water tetrahedra are bounded as a cylinder's
// or by the element's box.
double DraftFilter::everyLevelError(std::uint32_t e) const {
  const Element& element = flat().element(e);
  const double* heights = fast_.heights(e);
  const WaterTetrahedron* t = flat().waterTetrahedra(element);
  double gap = kInfinity;
  for (std::uint32_t i = 0; i < element.tetrahedronCount; ++i) {
    const std::uint16_t* v = t[i].vertex;
    const double h[4] = {heights[v[0]], heights[v[1]], heights[v[2]], heights[v[3]]};
    for (int j = 0; j < 3; ++j) {
      for (int k = j + 1; k < 4; ++k) {
        const double span = std::fabs(h[j] - h[k]);
        gap = span > 0 ? std::min(gap, span) : gap;
      }
    }
  }
  Box box;
  boxOf(e, box.lo, box.hi);
  const double n = element.tetrahedronCount;
  CrossedSums sums;
  sums.count = n;
  sums.volume = flat().wholeVolume(e) * (1 + 2 * roundingBound(n)) * (1 + 2 * kUnit);
  if (element.kind == FlattenedBody::Kind::Cylinder) {
    sums.takeExtents(cylinderSums_[e - firstCylinder_]);
  } else {
    double E[3];
    for (int c = 0; c < 3; ++c)
      E[c] = (box.hi[c] - box.lo[c]) * (1 + 2 * kUnit);
    for (int c = 0; c < 3; ++c) {
      sums.extent[c] = n * E[c];
      sums.face[c] = n * E[(c + 1) % 3] * E[(c + 2) % 3];
    }
    sums.box = n * E[0] * E[1] * E[2];
  }
  return crossedError(box, sums, fast_.normalPlane(), gap);
}

void DraftFilter::windowValues(std::uint32_t e, bool atA, bool atB, double& upperA, double& lowerB,
                               double* scratch) const {
  const Element& element = flat().element(e);
  const double n = element.tetrahedronCount, whole = flat().wholeVolume(e);
  upperA = levelFactor_ * whole + levelTerm_;
  lowerB = 0;
  // M at a level, formed as valueAt forms it (item 4), and the bound of item 2 at every level.
  const double formed = (28 * roundingBound(20) + 2 * roundingBound(n + 3)) * whole *
                        (1 + 2 * roundingBound(n)) * 1.01;
  double error = -2;  // not yet found
  const auto bound = [&](double m, bool above) {
    if (error == -2)
      error = everyLevelError(e);
    if (!(error >= 0))
      return;
    if (above)
      upperA = std::min(upperA, (m + formed + error) * (1 + roundingBound(n)) * (1 + 8 * kUnit));
    else
      lowerB = std::max(0.0, (m - formed - error) * (1 - roundingBound(n)) * (1 - 8 * kUnit));
  };
  // The polynomial at the levels, the element's points sorted about them alike by sidesAbout.
  const auto polynomialAt = [&](const auto& levels, auto& values) {
    double wetVolume = 0;
    CrossedSums counted;
    valueCrossed(flat().waterTetrahedra(element), element.tetrahedronCount, element.points,
                 fast_.heights(e), reinterpret_cast<const unsigned char*>(scratch), levels, true,
                 values, wetVolume, counted);
    for (double& value : values)
      value += wetVolume;
  };
  const auto boundAt = [&](double level, bool above) {
    const double levels[1] = {level};
    double m[1] = {0};
    polynomialAt(levels, m);
    bound(m[0], above);
  };
  Sides sides = sidesAbout(e, atA ? window_.a : window_.b, scratch);
  if (atA && sides.ordered && sides.wet == -kInfinity) {
    upperA = 0;  // wholly above a, so above every lower level
  } else if (atA && sides.ordered && sides.crossed() && atB && sides.dry > window_.b) {
    // No point between a and b: one sweep sorts the points about both.
    const double levels[2] = {window_.a, window_.b};
    double m[2] = {0, 0};
    polynomialAt(levels, m);
    bound(m[0], true);
    bound(m[1], false);
    return;
  } else if (atA && sides.ordered && sides.crossed()) {
    boundAt(window_.a, true);
  }
  if (!atB)
    return;
  if (atA)
    sides = sidesAbout(e, window_.b, scratch);
  if (sides.ordered && sides.dry == kInfinity) {
    lowerB = whole;  // wholly below b, so below every higher level
  } else if (sides.ordered && sides.crossed()) {
    boundAt(window_.b, false);
  }
}

int DraftFilter::windowBin(double s) const {
  const double x = (s - window_.binOrigin) * window_.binScale;
  if (!(x > 0))
    return 0;
  return x >= kWindowBins ? kWindowBins - 1 : static_cast<int>(x);
}

void DraftFilter::windowChunk(WindowPart& part, std::size_t begin, std::size_t end,
                              double* scratch) const {
  const double a = window_.a, b = window_.b;
  // Only the elements a or b may cross are read beyond their extents and whole volumes.
  const auto crosses = [](const FastEvaluation::Extent& x, double s) {
    return !(x.highest <= s) && !(x.lowest > s);
  };
  for (std::size_t i = begin; i < end; ++i) {
    const std::size_t ahead = i + FastEvaluation::kPrefetchDistance;
    if (ahead < end && (crosses(fast_.extent(ahead), a) || crosses(fast_.extent(ahead), b)))
      fast_.prefetchElement(ahead);
    const auto e = static_cast<std::uint32_t>(i);
    const FastEvaluation::Extent& extent = fast_.extent(e);
    const double lowest = extent.lowest, highest = extent.highest;
    const double whole = flat().wholeVolume(e);
    part.belowB += highest <= b ? whole : 0.0;
    if (highest <= a) {
      const int low = windowBin(lowest), high = windowBin(highest);
      part.byLowest[low] += whole;
      part.countByLowest[low] += 1;
      part.byHighest[high] += whole;
      part.countByHighest[high] += 1;
      continue;
    }
    const bool crossingA = crosses(extent, a), crossingB = crosses(extent, b);
    if (crossingA || crossingB) {
      double upper, lower;
      windowValues(e, crossingA, crossingB, upper, lower, scratch);
      if (crossingA)
        part.crossingA[windowBin(lowest)] += upper;
      part.crossingB += crossingB ? lower : 0.0;
    }
  }
}

bool DraftFilter::openWindow(double a, double b) {
  window_.open = false;
  if (!heightsFree_ || !(sLo_ < a && a < b && b < sHi_))
    return false;
  window_.a = a;
  window_.b = b;
  window_.binOrigin = sLo_;
  window_.binScale = kWindowBins / (a - sLo_);
  if (!std::isfinite(window_.binScale))
    return false;
  const std::size_t count = flat().elementCount();
  const bool shared = fast_.parallel() && (fast_.sharesEverything() || count >= kParallelElements);
  const std::size_t chunks = shared ? passes_.size() : 1;
  windowParts_.assign(chunks, WindowPart{});
  auto job = [this, count, chunks](int chunk) {
    const auto c = static_cast<std::size_t>(chunk);
    if (c < chunks)
      windowChunk(windowParts_[c], count * c / chunks, count * (c + 1) / chunks,
                  fast_.scratch(c).values.data());
  };
  fast_.pool().runChunks(job, shared);
  WindowPart all{};
  for (const WindowPart& part : windowParts_) {
    for (int k = 0; k < kWindowBins; ++k) {
      all.byLowest[k] += part.byLowest[k];
      all.byHighest[k] += part.byHighest[k];
      all.countByLowest[k] += part.countByLowest[k];
      all.countByHighest[k] += part.countByHighest[k];
      all.crossingA[k] += part.crossingA[k];
    }
    all.belowB += part.belowB;
    all.crossingB += part.crossingB;
  }
  return closeWindowSums(all, count);
}

// The window's bounds from its sums, each a sum of non-negative doubles over the elements, in any
// order: within gamma(count + 2 bins) of its value.
bool DraftFilter::closeWindowSums(const WindowPart& all, std::size_t count) {
  const double elements = static_cast<double>(count);
  const long double rounding = roundingBound(elements + 2 * kWindowBins + 8);
  // The exact path sums the elements in order, within gamma(N) of their total.
  const long double sum = roundingBound(elements) * 1.0001;
  long double lowest = 0, highest = 0, lowestCount = 0, highestCount = 0, crossing = 0;
  bool finite = true;
  for (int k = 0; k < kWindowBins; ++k) {
    // Wholly below a level in bin k: highest point in a bin below k. Between: lowest point in a
    // bin up to k, less those.
    lowest += all.byLowest[k];
    lowestCount += all.countByLowest[k];
    crossing += all.crossingA[k];
    const long double below = highest * (1 + rounding);
    const long double between = (lowest - highest) + rounding * (lowest + highest);
    const long double reached = static_cast<long double>(levelFactor_) * between +
                                static_cast<long double>(levelTerm_) * (lowestCount - highestCount);
    const long double upper =
        (below + reached + crossing * (1 + rounding)) * (1 + sum) * (1 + 16 * kUnitLong);
    window_.upper[k] = roundedUpTo<double>(upper);
    finite = finite && std::isfinite(window_.upper[k]);
    highest += all.byHighest[k];
    highestCount += all.countByHighest[k];
  }
  const long double lower = (static_cast<long double>(all.belowB) + all.crossingB) *
                            (1 - rounding) * (1 - sum) * (1 - 16 * kUnitLong);
  window_.lower = std::max(0.0, roundedDownTo<double>(lower));
  window_.open = finite && std::isfinite(window_.lower);
  return window_.open;
}

DraftFilter::Estimate DraftFilter::windowEstimate(double D) const {
  const double s = -D;
  if (window_.open && s <= window_.a)
    return Estimate{true, 0, window_.upper[windowBin(s)]};
  if (window_.open && s >= window_.b)
    return Estimate{true, window_.lower, kInfinity};
  return Estimate{false, 0, 0};
}

bool DraftFilter::predictLevel(const Vec3& n, double V, double& level, double& reach) {
  predicted_ = false;
  // An evaluation made to share every pass (the tests') also opens every window it can.
  if (!(windowsPay_ || fast_.sharesEverything()) || !prediction_.predict(n, V, level))
    return false;
  const double extent = sHi_ - sLo_;
  reach = windowReach_ > 0 ? windowReach_ : kFirstWindowReach * extent;
  reach = std::min(std::max(reach, kSmallestWindowReach * extent), kLargestWindowReach * extent);
  predicted_ = std::isfinite(level) && std::isfinite(reach);
  predictedLevel_ = level;
  return predicted_;
}

void DraftFilter::recordLevel(const Vec3& n, double V, double level) {
  if (!window_.open && firstValued_ > 0)
    windowsPay_ = searchValued_ >= kWindowsPay * firstValued_;
  if (predicted_)
    windowReach_ = std::max(kReachPerError * std::fabs(level - predictedLevel_), windowReach_ / 2);
  if (!std::isfinite(windowReach_))
    windowReach_ = 0;
  predicted_ = false;
  prediction_.record(n, V, level);
}

void DraftFilter::start(double sLo, double sHi) {
  window_.open = false;
  estimated_ = false;
  searchValued_ = 0;
  firstValued_ = 0;
  active_.resize(flat().elementCount());
  members_.clear();
  epochs_.clear();
  settledVolume_ = 0;
  settledCount_ = 0;
  dryCount_ = 0;
  maxWet_ = -kInfinity;
  minDry_ = kInfinity;
  sLo_ = sLo;
  sHi_ = sHi;
  pending_ = sLo < sHi;
  prepareCoarseBound();
  levelsAnswer_ = false;
  for (std::size_t e = 0; e < active_.size(); ++e)
    active_[e] = static_cast<std::uint32_t>(e);
}

void DraftFilter::binLevels() {
  // Every element is active: the table is built in the chunks a coarse pass would take.
  const bool shared = share(kParallelCoarseElements);
  levelChunks_ = shared ? passes_.size() : 1;
  const FastEvaluation& fast = fast_;
  const FlattenedBody& flat = this->flat();
  levelsAnswer_ =
      heightsFree_ &&
      levels_.build(
          flat.elementCount(), sLo_, sHi_, levelChunks_,
          [this, shared](auto& job) { fast_.pool().runChunks(job, shared); },
          [&fast, &flat](std::size_t e, double& lowest, double& highest, double& whole) {
            lowest = fast.extent(e).lowest;
            highest = fast.extent(e).highest;
            whole = flat.wholeVolume(e);
          });
}

// Item 2 with every tetrahedron's extents and every element's coordinates bounded by the body's
// largest, and tau by the largest that is vouched for.
void DraftFilter::prepareCoarseBound() {
  const Plane& plane = fast_.normalPlane();
  const double normal[3] = {std::fabs(plane.A), std::fabs(plane.B), std::fabs(plane.C)};
  double B[3], spread = 0, reach = 0;
  for (int c = 0; c < 3; ++c) {
    B[c] = largestExtent_[c] * (1 + 2 * kUnit);
    spread += normal[c] * B[c];
    reach += normal[c] * largestCoordinate_[c];
  }
  coarseDelta_ = (roundingBound(4) * spread + 2 * roundingBound(3) * reach) * 1.0001;
  const double tau =
      (2.0001 * kUnit + kLargestEdgeRatio) * (1 + 1.002 * kLargestEdgeRatio) * 1.0001;
  double rho[3], outer[3];
  for (int c = 0; c < 3; ++c) {
    rho[c] = kUnit * (2.1 * B[c] + 1.01 * (largestCoordinate_[c] + tau * B[c])) * 1.0001;
    outer[c] = B[c] * (1 + 2 * tau) + 2 * rho[c];
  }
  coarseBoxRounding_ = roundingBound(9) * B[0] * B[1] * B[2];
  // Item 6: every cut edge within r <= 2^-10 of its fraction, whatever the element's gap.
  const double smallest = kParallelTolerance * (1 - 4 * kUnit);
  // A point that is not a number has no height to bound.
  heightsFree_ = finite_ && coarseDelta_ * 1.0001 <= kLargestEdgeRatio * (smallest - coarseDelta_);
  coarseTetrahedronError_ = 8.0 / 3 *
                                (rho[0] * outer[1] * outer[2] + rho[1] * outer[0] * outer[2] +
                                 rho[2] * outer[0] * outer[1]) +
                            33 * kUnit * outer[0] * outer[1] * outer[2] + coarseBoxRounding_;
  // Item 7: coarseUpper with the most water tetrahedra of any element, raised for its rounding.
  const double n = mostTetrahedra_;
  const double pieces = 1 + 8 * tau * (1 + tau) * (1 + tau);
  const double sum = (1 + roundingBound(n)) * 1.01 * (1 + roundingBound(16));
  levelFactor_ = (1 + 2 * roundingBound(n)) * pieces * sum;
  levelTerm_ = n * (coarseBoxRounding_ * pieces + coarseTetrahedronError_) * sum;
}

void DraftFilter::narrow(double sLo, double sHi) {
  // A bracket so narrow that the rounded levels of its ends are out of order settles nothing
  // more: each settled tetrahedron's polynomial is expanded about a level between its submerged
  // and its dry vertices.
  if (!(sLo < sHi))
    return;
  sLo_ = sLo;
  sHi_ = sHi;
  pending_ = true;
}

bool DraftFilter::settlesByExtents(std::uint32_t e) const {
  const FastEvaluation::Extent& extent = fast_.extent(e);
  return static_cast<double>(extent.highest) <= sLo_ || static_cast<double>(extent.lowest) > sHi_;
}

bool DraftFilter::settleByExtents(std::uint32_t e, Pass& pass) const {
  const FastEvaluation::Extent& extent = fast_.extent(e);
  // The extents are rounded outwards: they bound the heights of the points.
  if (static_cast<double>(extent.highest) <= sLo_) {
    pass.settledVolume += flat().wholeVolume(e);
    ++pass.settledCount;
    pass.maxWet = std::max(pass.maxWet, static_cast<double>(extent.highest));
    return true;
  }
  if (static_cast<double>(extent.lowest) > sHi_) {
    ++pass.dryCount;
    pass.minDry = std::min(pass.minDry, static_cast<double>(extent.lowest));
    return true;
  }
  return false;
}

DraftFilter::Sides DraftFilter::sidesAbout(std::uint32_t e, double s, double* scratch) const {
  const double* heights = fast_.heights(e);
  const std::uint32_t pointCount = flat().pointCount(e);
  unsigned char* const dryPoint = reinterpret_cast<unsigned char*>(scratch);
  Sides sides{-kInfinity, kInfinity, kInfinity, -kInfinity, true};
  for (std::uint32_t p = 0; p < pointCount; ++p) {
    const double h = heights[p];
    sides.lowest = std::min(sides.lowest, h);
    sides.highest = std::max(sides.highest, h);
    if (h <= s) {
      sides.wet = std::max(sides.wet, h);
      dryPoint[p] = 0;
    } else {
      sides.ordered = sides.ordered && h > s;
      sides.dry = std::min(sides.dry, h);
      dryPoint[p] = 1;
    }
  }
  return sides;
}

template <bool constantOnly>
bool DraftFilter::absorbSides(std::uint32_t e, Epoch& epoch, const Sides& sides, double s,
                              const unsigned char* dryPoint) const {
  const Element& element = flat().element(e);
  const double* heights = fast_.heights(e);
  const double wet = sides.wet, dry = sides.dry;
  double c[4] = {0, 0, 0, 0};
  double error = 0, magnitude = 0;
  if (dry == kInfinity) {  // every point submerged: the precomputed volume, exactly
    c[0] = flat().wholeVolume(e);
    magnitude = flat().wholeVolume(e);
  } else if (wet != -kInfinity) {
    const WaterTetrahedron* t = flat().waterTetrahedra(element);
    const Vec3* points = element.points;
    CrossedSums sums;
    const bool summed = element.kind == FlattenedBody::Kind::Cylinder;
    double wetVolume = 0;
    if (constantOnly) {
      const double anchor[1] = {epoch.anchor};
      double value[1] = {0};
      valueCrossed(t, element.tetrahedronCount, points, heights, dryPoint, anchor, summed, value,
                   wetVolume, sums);
      c[0] += value[0];
    } else {
      addCrossed(t, element.tetrahedronCount, points, heights, dryPoint, s, epoch.anchor, summed, c,
                 wetVolume, sums);
    }
    if (summed)
      sums.takeExtents(cylinderSums_[e - firstCylinder_]);
    Box box;
    boxOf(e, box.lo, box.hi);
    error = crossedError(box, sums, fast_.normalPlane(), dry - wet);
    if (error < 0)
      return false;
    c[0] += wetVolume;
    magnitude = wetVolume + 28 * sums.volume;
    // The element's sum in order, and the coefficients' sums over its tetrahedra in double (at
    // most four terms per tetrahedron each).
    error +=
        roundingBound(element.tetrahedronCount) * (wetVolume + sums.volume + 2 * error) * 1.01 +
        roundingBound(4.0 * element.tetrahedronCount) * magnitude;
  }
  for (int j = 0; j < 4; ++j)
    epoch.coefficient[j] += c[j];
  epoch.error += error;
  epoch.magnitude += magnitude;
  epoch.terms += element.tetrahedronCount;
  epoch.maxWet = std::max(epoch.maxWet, wet);
  epoch.minDry = std::min(epoch.minDry, dry);
  epoch.lowest = std::min(epoch.lowest, sides.lowest);
  epoch.highest = std::max(epoch.highest, sides.highest);
  epoch.whole += flat().wholeVolume(e);
  return true;
}

DraftFilter::Epoch DraftFilter::emptyEpoch(double anchor) {
  return Epoch{anchor, {0, 0, 0, 0}, 0, 0, -kInfinity, kInfinity, kInfinity, -kInfinity, 0, 0, 0,
               0,      true};
}

void DraftFilter::Epoch::merge(const Epoch& other) {
  for (int j = 0; j < 4; ++j)
    coefficient[j] += other.coefficient[j];
  error += other.error;
  magnitude += other.magnitude;
  terms += other.terms;
  maxWet = std::max(maxWet, other.maxWet);
  minDry = std::min(minDry, other.minDry);
  lowest = std::min(lowest, other.lowest);
  highest = std::max(highest, other.highest);
  whole += other.whole;
}

// Keeps the epoch if it holds elements; they are the last `count` members.
void DraftFilter::keepEpoch(Epoch& epoch, std::size_t count) {
  if (count == 0)
    return;
  epoch.end = static_cast<std::uint32_t>(members_.size());
  epoch.begin = static_cast<std::uint32_t>(members_.size() - count);
  epochs_.push_back(epoch);
}

void DraftFilter::dissolveEpochsExcluding(double s) {
  for (Epoch& epoch : epochs_) {
    if (epoch.alive && !epoch.holdsAt(s)) {
      epoch.alive = false;
      active_.insert(active_.end(), members_.begin() + epoch.begin, members_.begin() + epoch.end);
    }
  }
}

// One chunk of the active elements, active_[begin, end): settles what it can into the pass's
// epochs and lists, evaluates the rest exactly and moves them to the front of its range.
void DraftFilter::runPass(Pass& pass, std::size_t begin, std::size_t end, const Plane& plane,
                          FastEvaluation::Scratch& scratch) {
  double* values = scratch.values.data();
  const double s = -plane.D;
  std::size_t kept = begin;
  FastEvaluation::VolumeSum sum{pass.active};
  for (std::size_t i = begin; i < end; ++i) {
    constexpr std::size_t ahead = FastEvaluation::kPrefetchDistance;
    if (i + 2 * ahead < end)
      fast_.prefetchRecord(active_[i + 2 * ahead]);
    // Only an element the level crosses is read beyond its extents, unless the bracket settles it.
    if (i + ahead < end && fast_.extent(active_[i + ahead]).crossedAt(plane.D) &&
        !(pending_ && settlesByExtents(active_[i + ahead])))
      fast_.prefetchElement(active_[i + ahead]);
    const std::uint32_t e = active_[i];
    if (pending_ && settleByExtents(e, pass))
      continue;
    // An element wholly on one side of the level costs its extents to evaluate; reading its
    // heights for the bracket's epoch rarely pays.
    const FastEvaluation::Extent& extent = fast_.extent(e);
    if (!extent.crossedAt(plane.D)) {
      // What evaluateElement gives it: wholly submerged, its precomputed volume; dry, nothing.
      active_[kept++] = e;
      pass.active += extent.submergedAt(plane.D) ? flat().wholeVolume(e) : 0.0;
      continue;
    }
    // One sweep over its points tells whether the bracket or the trial's reach settles it and,
    // for a cylinder that stays, its sides at the level.
    const Sides sides = sidesAbout(e, s, values);
    const unsigned char* dryPoint = reinterpret_cast<const unsigned char*>(values);
    const bool crossed = sides.crossed();
    if (sides.ordered && pending_ && sides.wet <= sLo_ && sides.dry > sHi_ &&
        absorbSides(e, pass.settled, sides, s, dryPoint)) {
      pass.settledMembers->push_back(e);
    } else if (sides.ordered && crossed && pass.speculate && sides.wet <= s - pass.reach &&
               sides.dry > s + pass.reach && absorbSides(e, pass.speculative, sides, s, dryPoint)) {
      pass.speculativeMembers->push_back(e);
    } else {
      active_[kept++] = e;
      const Element& element = flat().element(e);
      pass.valued += crossed ? 1 : 0;
      if (element.kind == FlattenedBody::Kind::Cylinder && sides.ordered && crossed) {
        pass.active += valueAt(e, s, plane, sides, scratch, pass);
      } else if (sides.ordered && fast_.queues(element)) {
        fast_.queueCrossed(e, plane, *scratch.queue, sum);
      } else {
        pass.active += fast_.evaluateElement<false>(e, plane, scratch).volume;
      }
    }
  }
  if (scratch.queue)
    fast_.flushCrossed(plane, *scratch.queue, sum);
  pass.kept = kept - begin;
}

// A cylinder the level crosses: its polynomial at the level itself, where the points on either
// side of it lie far enough apart for the bound. Its many crossed water tetrahedra cost less so
// than cut (a small element costs more: the bound's own terms); it stays active.
long double DraftFilter::valueAt(std::uint32_t e, double s, const Plane& plane, const Sides& sides,
                                 FastEvaluation::Scratch& scratch, Pass& pass) const {
  Epoch here = emptyEpoch(s);
  if (!absorbSides<true>(e, here, sides, s,
                         reinterpret_cast<const unsigned char*>(scratch.values.data())))
    return fast_.evaluateElement<false>(e, plane, scratch).volume;
  pass.activeError += here.error;
  pass.activeMagnitude += here.magnitude;
  pass.activeTerms += here.terms;
  return here.coefficient[0];
}

DraftFilter::Estimate DraftFilter::estimate(double D) {
  // A search's first estimate finds most elements active (all of them after the level table
  // answered): most settle by their extents alone, in one sweep without a branch per element.
  if (pending_ && (levelsAnswer_ || !estimated_))
    settleOutsideBracket();
  const double s = -D;
  dissolveEpochsExcluding(s);
  Plane plane = fast_.normalPlane();
  plane.D = D;
  // Elements with no point inside the bracket settle for good; elements with no point within a
  // quarter of its width of this level settle until a trial leaves their range.
  const double reach = (sHi_ - sLo_) / 4;
  const bool speculate = sLo_ + reach < s && s < sHi_ - reach;
  const std::size_t chunks = runPasses(shareFine(), true, s, reach, speculate, [&](std::size_t c) {
    runPass(passes_[c], chunkBegin_[c], chunkBegin_[c + 1], plane, fast_.scratch(c));
  });
  pending_ = false;
  std::size_t valued = 0;
  for (std::size_t c = 0; c < chunks; ++c)
    valued += passes_[c].valued;
  searchValued_ += valued;
  ++fast_.statistics.fineEstimates;
  fast_.statistics.valuedElements += static_cast<long long>(valued);
  firstValued_ = estimated_ ? firstValued_ : valued;
  estimated_ = true;
  // A first estimate while the bracket is still too wide to settle any element (a trial close to
  // the result while the bracket spans most of the body) leaves every element active, and the
  // level table's intervals hold as before it. Where its bins are fine, they are about as narrow
  // as a coarse pass's and cost none; coarser bins would leave trials open that a pass decides.
  levelsAnswer_ =
      levelsAnswer_ && levels_.finest() && settledCount_ == 0 && dryCount_ == 0 && epochs_.empty();
  return bound(s, mergePasses(chunks), 0);
}

// Before a search's first estimate most elements are still active (all of them where the level
// table answered the coarse intervals): the ones the bracket leaves wholly below or above it
// settle in one sweep over their extents, in order, before a pass reads any element's points.
void DraftFilter::settleOutsideBracket() {
  const std::size_t chunks =
      runPasses(share(kParallelCoarseElements), false, sLo_, 0, false, [&](std::size_t c) {
        Pass& pass = passes_[c];
        const std::size_t begin = chunkBegin_[c], end = chunkBegin_[c + 1];
        std::size_t kept = begin;
        // Without a branch per element (which side an element lies on follows no pattern the
        // processor could guess): a kept element adds nothing to the settled sums.
        long double below = 0;
        std::size_t settled = 0, dry = 0;
        double maxWet = pass.maxWet, minDry = pass.minDry;
        for (std::size_t i = begin; i < end; ++i) {
          const std::uint32_t e = active_[i];
          const FastEvaluation::Extent& extent = fast_.extent(e);
          const double highest = extent.highest, lowest = extent.lowest;
          const bool isBelow = highest <= sLo_, isDry = lowest > sHi_;
          below += isBelow ? flat().wholeVolume(e) : 0.0;
          settled += isBelow;
          dry += isDry;
          maxWet = std::max(maxWet, isBelow ? highest : -kInfinity);
          minDry = std::min(minDry, isDry ? lowest : kInfinity);
          active_[kept] = e;
          kept += !(isBelow || isDry);
        }
        pass.settledVolume += below;
        pass.settledCount += settled;
        pass.dryCount += dry;
        pass.maxWet = maxWet;
        pass.minDry = minDry;
        pass.kept = kept - begin;
      });
  mergePasses(chunks);
}

// Whether a pass over the active elements is shared out among the threads: when they are many,
// or always on an evaluation made to share every evaluation out (the tests', which thus run the
// passes' merging on small bodies).
bool DraftFilter::share(std::size_t parallelElements) const {
  return fast_.parallel() && (fast_.sharesEverything() || active_.size() >= parallelElements);
}

bool DraftFilter::shareFine() const {
  if (share(kParallelElements))
    return true;
  if (!fast_.parallel())
    return false;
  std::size_t tetrahedra = 0;
  for (const std::uint32_t e : active_)
    tetrahedra += flat().element(e).tetrahedronCount;
  return tetrahedra >= kParallelTetrahedra;
}

// Prepares one pass per chunk of the active elements (one chunk unless shared) and runs work(c)
// for each, on the worker threads when there are several.
template <typename Work>
std::size_t DraftFilter::runPasses(bool shared, bool weighted, double s, double reach,
                                   bool speculate, Work work) {
  chunks_ = shared ? passes_.size() : 1;
  splitActive(weighted);
  for (std::size_t c = 0; c < chunks_; ++c) {
    Pass& pass = passes_[c];
    pass = Pass{emptyEpoch(0.5 * sLo_ + 0.5 * sHi_),
                emptyEpoch(s),
                &lists_[2 * c],
                &lists_[2 * c + 1],
                reach,
                speculate};
    pass.settledMembers->clear();
    pass.speculativeMembers->clear();
  }
  auto job = [&](int chunk) {
    const std::size_t c = static_cast<std::size_t>(chunk);
    if (c < chunks_)
      work(c);
  };
  fast_.pool().runChunks(job, chunks_ > 1);
  return chunks_;
}

// Divides the active elements among the chunks of a pass. A fine pass's work grows with an
// element's water tetrahedra (a crossed cylinder has 90, a hexahedron 5), so its chunks take
// about equal shares of those; the other passes read little more than each element's extents.
void DraftFilter::splitActive(bool weighted) {
  const std::size_t count = active_.size();
  chunkBegin_[0] = 0;
  chunkBegin_[chunks_] = count;
  if (chunks_ == 1)
    return;
  if (!weighted) {
    for (std::size_t c = 1; c < chunks_; ++c)
      chunkBegin_[c] = count * c / chunks_;
    return;
  }
  // Many elements are weighed by a sample, every kWeighStride-th for the ones it stands for: the
  // split is made on one thread before the others start, and weighing all of a search's first
  // passes' thousands of elements kept them waiting. A chunk then ends on a sampled element.
  const FlattenedBody& flat = this->flat();
  const std::size_t stride = count >= kSampledSplit ? kWeighStride : 1;
  std::size_t total = 0;
  for (std::size_t i = 0; i < count; i += stride)
    total += flat.element(active_[i]).tetrahedronCount;
  std::size_t sum = 0, i = 0;
  for (std::size_t c = 1; c < chunks_; ++c) {
    const std::size_t share = total * c / chunks_;
    for (; i < count && sum < share; i += stride)
      sum += flat.element(active_[i]).tetrahedronCount;
    chunkBegin_[c] = std::min(i, count);
  }
}

// Gathers the chunks' results: their active elements in order at the front of active_, their
// settled elements into one epoch for good and one speculative epoch.
long double DraftFilter::mergePasses(std::size_t chunks) {
  long double active = 0;
  std::size_t kept = 0;
  activeError_ = 0;
  activeMagnitude_ = 0;
  activeTerms_ = 0;
  Epoch settled = passes_[0].settled, speculative = passes_[0].speculative;
  std::size_t settledCount = 0, speculativeCount = 0;
  for (std::size_t c = 0; c < chunks; ++c) {
    const Pass& pass = passes_[c];
    const std::size_t begin = chunkBegin_[c];
    std::copy(active_.begin() + static_cast<std::ptrdiff_t>(begin),
              active_.begin() + static_cast<std::ptrdiff_t>(begin + pass.kept),
              active_.begin() + static_cast<std::ptrdiff_t>(kept));
    kept += pass.kept;
    active += pass.active;
    activeError_ += pass.activeError;
    activeMagnitude_ += pass.activeMagnitude;
    activeTerms_ += pass.activeTerms;
    takeSettled(pass);
    if (c > 0) {
      settled.merge(pass.settled);
      speculative.merge(pass.speculative);
    }
    members_.insert(members_.end(), pass.settledMembers->begin(), pass.settledMembers->end());
    settledCount += pass.settledMembers->size();
  }
  active_.resize(kept);
  keepEpoch(settled, settledCount);
  for (std::size_t c = 0; c < chunks; ++c) {
    const Pass& pass = passes_[c];
    members_.insert(members_.end(), pass.speculativeMembers->begin(),
                    pass.speculativeMembers->end());
    speculativeCount += pass.speculativeMembers->size();
  }
  keepEpoch(speculative, speculativeCount);
  return active;
}

// Every piece of the exact path is at least 0, and by item 2 the pieces of a crossed water
// tetrahedron sum to at most its cubic, at most Vt, plus e.
double DraftFilter::crossedUpper(std::uint32_t e, double D) const {
  const Element& element = flat().element(e);
  if (heightsFree_)
    return coarseUpper(e, kLargestEdgeRatio);
  const double* heights = fast_.heights(e);
  const std::uint32_t pointCount = flat().pointCount(e);
  double wet = -kInfinity, dry = kInfinity;
  for (std::uint32_t p = 0; p < pointCount; ++p) {
    const double value = heights[p] + D;
    if (isDry(value)) {
      dry = std::min(dry, heights[p]);
    } else if (value <= 0) {
      wet = std::max(wet, heights[p]);
    } else {
      return -1;  // not a number
    }
  }
  const double n = element.tetrahedronCount;
  // The element's volume sums its water tetrahedra's in order, within gamma(n) of their sum.
  const double whole = flat().wholeVolume(e) * (1 + 2 * roundingBound(n));
  if (wet == -kInfinity)
    return 0;
  if (dry == kInfinity)
    return whole;
  const double span = (dry - wet) * (1 - 2 * kUnit);
  const double r = coarseDelta_ / span;
  if (!(r <= kLargestEdgeRatio) || !(span - coarseDelta_ >= kParallelTolerance * 1.0001))
    return -1;
  return coarseUpper(e, r);
}

// Item 5's upper value of an element the level crosses, its cut edges within r of their fractions.
double DraftFilter::coarseUpper(std::uint32_t e, double r) const {
  const double n = flat().element(e).tetrahedronCount;
  const double whole = flat().wholeVolume(e) * (1 + 2 * roundingBound(n));
  const double tau = (2.0001 * kUnit + r) * (1 + 1.002 * r) * 1.0001;
  const double pieces = (whole + n * coarseBoxRounding_) * (1 + 8 * tau * (1 + tau) * (1 + tau)) +
                        n * coarseTetrahedronError_;
  return pieces * (1 + roundingBound(n)) * 1.01;
}

DraftFilter::Estimate DraftFilter::coarseEstimate(double D) {
  if (levelsAnswer_)
    return levelEstimate(D);
  dissolveEpochsExcluding(-D);
  Estimate estimates[2];
  coarsePasses<false>(D, D, estimates);
  return estimates[0];
}

// Right after start no epoch exists, so nothing dissolves before either plane: the pass settles
// the same elements and sums the others in the same order as two passes would.
void DraftFilter::coarseEstimates(double D0, double D1, Estimate (&estimates)[2]) {
  if (levelsAnswer_) {
    estimates[0] = levelEstimate(D0);
    estimates[1] = levelEstimate(D1);
    return;
  }
  coarsePasses<true>(D0, D1, estimates);
}

// Item 7. No element has settled and no epoch exists, so every element is active: the ones wholly
// below the level add their whole volume, the others the level may reach at most their coarse
// upper value, and the rest nothing.
DraftFilter::Estimate DraftFilter::levelEstimate(double D) {
  ++fast_.statistics.levelIntervals;
  const LevelTable::Sums sums = levels_.at(-D);
  const double elements = static_cast<double>(flat().elementCount());
  // The elements' terms below levelTerm_ each, for all elements at once.
  const long double width =
      std::max(levelFactor_ * (static_cast<long double>(sums.reached) - sums.submerged), 0.0L) +
      static_cast<long double>(levelTerm_) * elements;
  const double terms = elements + static_cast<double>(levels_.binCount() + levelChunks_) + 16;
  activeError_ = roundingBound(terms) *
                 (sums.submerged + levelFactor_ * (sums.reached + sums.submerged)) * 1.01;
  activeMagnitude_ =
      (levelFactor_ * (sums.reached + sums.submerged) + levelTerm_ * elements) * 1.01;
  activeTerms_ = static_cast<std::size_t>(terms) + 16;
  return bound(-D, sums.submerged, width);
}

// The coarse intervals of the plane of offset D0 and, with twoPlanes, of D1 from one pass over
// the active elements.
template <bool twoPlanes>
void DraftFilter::coarsePasses(double D0, double D1, Estimate (&estimates)[2]) {
  const std::size_t chunks =
      runPasses(share(kParallelCoarseElements), false, -D0, 0, false, [&](std::size_t c) {
        runCoarsePass<twoPlanes>(passes_[c], chunkBegin_[c], chunkBegin_[c + 1], D0, D1);
      });
  long double width[2] = {0, 0}, second = 0;
  bool vouched[2] = {true, true};
  for (std::size_t c = 0; c < chunks; ++c) {
    width[0] += passes_[c].width;
    width[1] += passes_[c].secondWidth;
    second += passes_[c].secondActive;
    vouched[0] = vouched[0] && passes_[c].vouched;
    vouched[1] = vouched[1] && passes_[c].secondVouched;
  }
  const long double active[2] = {mergePasses(chunks), second};
  const double D[2] = {D0, D1};
  for (int i = 0; i < (twoPlanes ? 2 : 1); ++i)
    estimates[i] = vouched[i] ? bound(-D[i], active[i], width[i]) : Estimate{false, 0, 0};
}

// One chunk of a coarse estimate: settles the elements the bracket left wholly below or above it
// (pending stays set: the others settle at the next estimate), keeps the rest at the front of its
// range and bounds their volumes, for the plane of offset D and, with twoPlanes, that of D2.
template <bool twoPlanes>
void DraftFilter::runCoarsePass(Pass& pass, std::size_t begin, std::size_t end, double D,
                                double D2) {
  std::size_t kept = begin;
  for (std::size_t i = begin; i < end; ++i) {
    // The pass over two planes comes right after start, over every element in order, which the
    // hardware reads ahead by itself; the later passes visit a scattered subset.
    if (!twoPlanes && i + 2 * FastEvaluation::kPrefetchDistance < end)
      fast_.prefetchRecord(active_[i + 2 * FastEvaluation::kPrefetchDistance]);
    const std::uint32_t e = active_[i];
    if (pending_ && settleByExtents(e, pass))
      continue;
    active_[kept++] = e;
    addCoarse(e, D, pass.active, pass.width, pass.vouched);
    if (twoPlanes)
      addCoarse(e, D2, pass.secondActive, pass.secondWidth, pass.secondVouched);
  }
  pass.kept = kept - begin;
}

void DraftFilter::addCoarse(std::uint32_t e, double D, long double& active, long double& width,
                            bool& vouched) const {
  const FastEvaluation::Extent& extent = fast_.extent(e);
  if (!vouched) {
    return;
  } else if (extent.submergedAt(D)) {
    active += flat().wholeVolume(e);  // what the exact path gives, bit for bit
  } else if (!extent.dryAt(D)) {
    const double upper = crossedUpper(e, D);
    vouched = upper >= 0;
    width += upper;
  }
}

void DraftFilter::takeSettled(const Pass& pass) {
  settledVolume_ += pass.settledVolume;
  settledCount_ += pass.settledCount;
  dryCount_ += pass.dryCount;
  maxWet_ = std::max(maxWet_, pass.maxWet);
  minDry_ = std::min(minDry_, pass.minDry);
}

DraftFilter::Estimate DraftFilter::bound(double s, long double active, long double width) const {
  if (!(maxWet_ <= s && s < minDry_))
    return Estimate{false, 0, 0};
  long double value = settledVolume_ + active;
  long double magnitude = value + width + activeMagnitude_;
  double error = activeError_;
  std::size_t terms = active_.size() + settledCount_ + activeTerms_ + 64;
  for (const Epoch& epoch : epochs_) {
    if (!epoch.alive)
      continue;
    if (!epoch.holdsAt(s))
      return Estimate{false, 0, 0};  // settled just now by a bracket that excludes s
    terms += epoch.terms + 8;
    if (!epoch.polynomialAt(s)) {
      // Each element wholly submerged gives its whole volume bit for bit; wholly dry, nothing.
      if (s >= epoch.highest) {
        value += epoch.whole;
        magnitude += epoch.whole;
      }
      continue;
    }
    const long double sigma = static_cast<long double>(s) - epoch.anchor;
    const long double* c = epoch.coefficient;
    value += ((c[3] * sigma + c[2]) * sigma + c[1]) * sigma + c[0];
    const long double a = std::fabs(sigma);
    magnitude += std::fabs(c[0]) + std::fabs(c[1]) * a + std::fabs(c[2]) * a * a +
                 std::fabs(c[3]) * a * a * a + epoch.magnitude;
    error += epoch.error;
  }
  const double own =
      static_cast<double>(roundingBoundLong(static_cast<long double>(terms)) * magnitude);
  const double total = static_cast<double>(std::fabs(value) + width) + error + own;
  const double elements = static_cast<double>(flat().elementCount());
  const double sums = roundingBound(elements - static_cast<double>(dryCount_)) * total *
                      (1 + roundingBound(elements));
  const double bound = 2 * (error + own + sums) * 1.0001 + 1e-300;
  const double lo = static_cast<double>(value - bound);
  const double hi = static_cast<double>(value + width + bound);
  if (!std::isfinite(lo) || !std::isfinite(hi))
    return Estimate{false, 0, 0};
  return Estimate{true, std::nextafter(lo, -kInfinity), std::nextafter(hi, kInfinity)};
}

std::size_t DraftFilter::memoryBytes() const {
  std::size_t lists = 0;
  for (const std::vector<std::uint32_t>& list : lists_)
    lists += list.capacity();
  return (active_.capacity() + members_.capacity() + lists) * sizeof(std::uint32_t) +
         cylinderSums_.capacity() * sizeof(ExtentSums) + epochs_.capacity() * sizeof(Epoch) +
         passes_.capacity() * sizeof(Pass) + windowParts_.capacity() * sizeof(WindowPart) +
         levels_.memoryBytes();
}
