// The draft filter's bound: its derivation, item by item, and the arithmetic that applies it to
// one element or to the body, free of the filter's state. Items 1 to 4 bound the exact path's
// volume of the elements the filter values by their polynomials, items 5 to 7 the coarse
// intervals, item 8 the window; the filter (draft_filter*.cpp) refers to them by number. Every
// bound covers the rounding of the exact path as well as the filter's own, so that an interval
// holds the volume the exact path computes, not only the volume in exact arithmetic.
#include "submerged/draft_filter_bounds.h"

#include <algorithm>
#include <cmath>
#include <utility>

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
//    2 gamma(n + 3)) W (1 + 2 gamma(n)) (item 4). An element that a and b both cross with no
//    point between them has its cubic of item 2 formed once instead, expanded about the window's
//    middle (a and b lie in its range): M(a) and M(b) are its values there, within the element's
//    error of items 2 to 4 (its crossed tetrahedra's extents each bounded by its box, their gap
//    that between its submerged and dry points) and the rounding of evaluating it as an estimate
//    evaluates an epoch, and once more to a double. The search keeps those cubics as an epoch of
//    item 1, for the levels between the elements' highest submerged and lowest dry point.
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
//    will end: a window in the wrong place gives intervals that decide nothing, never a wrong
//    decision.

namespace draft_bounds {

namespace {

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

}  // namespace

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
  // The sums over the tetrahedra of rho_c outer_c+1 outer_c+2 (over c) and of prod_c outer_c,
  // expanded in the sums of extents. With beta_c = 2 b_c both collect into three sums:
  //   moved = 3 a alpha^2 V + (2 a alpha + alpha^2 / 2) R + (a + alpha) Q + (3/2) n B,
  //   outer = alpha^3 V + alpha^2 R + alpha Q + n B,
  // with R = sum_c beta_c P_c, Q = sum_c beta_c+1 beta_c+2 S_c and B = prod_c beta_c. Every term is
  // non-negative, so the few roundings of this form stay within the 1 % the bound is raised by.
  const double R = beta[0] * P[0] + beta[1] * P[1] + beta[2] * P[2];
  const double Q = beta[1] * beta[2] * S[0] + beta[0] * beta[2] * S[1] + beta[0] * beta[1] * S[2];
  const double B = beta[0] * beta[1] * beta[2];
  const double moved = 3 * a * alpha * alpha * V + (2 * a * alpha + 0.5 * alpha * alpha) * R +
                       (a + alpha) * Q + 1.5 * n * B;
  const double outer = alpha * alpha * alpha * V + alpha * alpha * R + alpha * Q + n * B;
  const double vt = sums.volume * grow;
  const double e = 8 * (vt + roundingBound(9) * V) * tau * (1 + tau) * (1 + tau) + 8.0 / 3 * moved +
                   33 * kUnit * outer + roundingBound(9) * V + 28 * roundingBound(20) * vt;
  return std::isfinite(e) ? e * 1.01 : -1;
}

void addCrossed(const FlattenedBody::WaterTetrahedron* t, std::uint32_t count, const Vec3* points,
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

// The cubics' slots come from the dry mask, and the values go to two sums in turn: a tetrahedron's
// value does not wait for the last one's addition.
template <int kAnchors>
void valueCrossed(const FlattenedBody::WaterTetrahedron* t, std::uint32_t count, const Vec3* points,
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

template void valueCrossed<1>(const FlattenedBody::WaterTetrahedron*, std::uint32_t, const Vec3*,
                              const double*, const unsigned char*, const double (&)[1], bool,
                              double (&)[1], double&, CrossedSums&);
template void valueCrossed<2>(const FlattenedBody::WaterTetrahedron*, std::uint32_t, const Vec3*,
                              const double*, const unsigned char*, const double (&)[2], bool,
                              double (&)[2], double&, CrossedSums&);

// The sums over all of a cylinder's water tetrahedra, raised to bound the exact sums of the exact
// extents as item 2 raises the sums over the crossed ones, and rounded up to floats.
ExtentSums cylinderExtentSums(const FlattenedBody::WaterTetrahedron* t, std::uint32_t count,
                              const Vec3* points) {
  CrossedSums sums;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint16_t* v = t[i].vertex;
    sums.add(points[v[0]], points[v[1]], points[v[2]], points[v[3]], 0);
  }
  const double grow = 1 + roundingBound(sums.count + 8);
  ExtentSums rounded;
  for (int c = 0; c < 3; ++c) {
    rounded.extent[c] = roundedUp(sums.extent[c] * grow);
    rounded.face[c] = roundedUp(sums.face[c] * grow);
  }
  rounded.box = roundedUp(sums.box * grow);
  return rounded;
}

}  // namespace draft_bounds

using draft_bounds::kLargestEdgeRatio;
using draft_bounds::kParallelTolerance;
using draft_bounds::kUnit;
using draft_bounds::roundingBound;

void BodyBounds::addElements(const FlattenedBody& body, std::size_t begin, std::size_t end) {
  for (std::size_t e = begin; e < end; ++e) {
    mostTetrahedra = std::max(mostTetrahedra, body.element(e).tetrahedronCount);
    draft_bounds::Box box;
    const FlattenedBody::Element& element = body.element(e);
    for (std::uint32_t p = 0; p < body.pointCount(e); ++p) {
      box.add(element.points[p]);
      finite = finite && isFinite(element.points[p]);
    }
    for (int c = 0; c < 3; ++c) {
      largestExtent[c] = std::max(largestExtent[c], box.hi[c] - box.lo[c]);
      largestCoordinate[c] =
          std::max(largestCoordinate[c], std::max(std::fabs(box.lo[c]), std::fabs(box.hi[c])));
    }
  }
}

void BodyBounds::merge(const BodyBounds& other) {
  mostTetrahedra = std::max(mostTetrahedra, other.mostTetrahedra);
  finite = finite && other.finite;
  for (int c = 0; c < 3; ++c) {
    largestExtent[c] = std::max(largestExtent[c], other.largestExtent[c]);
    largestCoordinate[c] = std::max(largestCoordinate[c], other.largestCoordinate[c]);
  }
}

CoarseBound::CoarseBound(const Plane& plane, const BodyBounds& body) {
  const double normal[3] = {std::fabs(plane.A), std::fabs(plane.B), std::fabs(plane.C)};
  double B[3], spread = 0, reach = 0;
  for (int c = 0; c < 3; ++c) {
    B[c] = body.largestExtent[c] * (1 + 2 * kUnit);
    spread += normal[c] * B[c];
    reach += normal[c] * body.largestCoordinate[c];
  }
  delta = (roundingBound(4) * spread + 2 * roundingBound(3) * reach) * 1.0001;
  const double tau =
      (2.0001 * kUnit + kLargestEdgeRatio) * (1 + 1.002 * kLargestEdgeRatio) * 1.0001;
  double rho[3], outer[3];
  for (int c = 0; c < 3; ++c) {
    rho[c] = kUnit * (2.1 * B[c] + 1.01 * (body.largestCoordinate[c] + tau * B[c])) * 1.0001;
    outer[c] = B[c] * (1 + 2 * tau) + 2 * rho[c];
  }
  boxRounding = roundingBound(9) * B[0] * B[1] * B[2];
  // Item 6: every cut edge within r <= 2^-10 of its fraction, whatever the element's gap.
  const double smallest = kParallelTolerance * (1 - 4 * kUnit);
  // A point that is not a number has no height to bound.
  heightsFree = body.finite && delta * 1.0001 <= kLargestEdgeRatio * (smallest - delta);
  tetrahedronError = 8.0 / 3 *
                         (rho[0] * outer[1] * outer[2] + rho[1] * outer[0] * outer[2] +
                          rho[2] * outer[0] * outer[1]) +
                     33 * kUnit * outer[0] * outer[1] * outer[2] + boxRounding;
  // Item 7: upper with the most water tetrahedra of any element, raised for its rounding.
  const double n = body.mostTetrahedra;
  const double pieces = 1 + 8 * tau * (1 + tau) * (1 + tau);
  const double sum = (1 + roundingBound(n)) * 1.01 * (1 + roundingBound(16));
  levelFactor = (1 + 2 * roundingBound(n)) * pieces * sum;
  levelTerm = n * (boxRounding * pieces + tetrahedronError) * sum;
}
