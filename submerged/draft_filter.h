#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class FastEvaluation;

// Bounds on the submerged volume of the trial planes of one draft search, for the planes of one
// normal whose level s = -D moves inside a shrinking bracket. The draft search only needs to know
// on which side of the target, and how close to it, a trial's volume lies; the bound answers that
// for almost every trial at a fraction of an exact evaluation's cost, and the search evaluates
// exactly (the fast evaluation's path) only the trials the bound leaves open.
//
// For one normal the submerged volume of a water tetrahedron is a piecewise cubic polynomial of
// the level s whose breaks are the heights of its vertices. Once every vertex of an element lies
// on a known side of the bracket, the element's volume is, for the rest of the search, a constant
// (wholly submerged or wholly dry) or a fixed cubic: it leaves the active set and its polynomial is
// added to the current epoch's sum (one epoch per narrowing, each expanded about its bracket's
// centre so that its powers of s - s0 stay small). Only the elements with a vertex inside the
// bracket stay active and are evaluated exactly, as the fast evaluation evaluates them.
//
// The bound on |exact - estimate| (derived in draft_filter.cpp) covers the rounding of the exact
// path (the cut points, the parallel tolerance, the triple products, the sums in element order)
// and the filter's own. Elements whose cut the polynomial cannot vouch for (an edge nearly parallel
// to the plane, a vertex height that is not a number) simply stay active.
class DraftFilter {
 public:
  // An interval that holds the volume the exact evaluation gives for the plane. valid is false
  // when no bound can be given (the level left the range for which the settled elements were
  // classified); the plane must then be evaluated exactly.
  struct Estimate {
    bool valid;
    double lo, hi;
  };

  explicit DraftFilter(FastEvaluation& fast);

  // Starts a search with the normal last given to the fast evaluation's setNormal, the bracket
  // spanning the levels sLo (nothing submerged) to sHi (the whole body).
  void start(double sLo, double sHi);
  // Narrows the bracket to the levels [sLo, sHi]; the elements it leaves behind are settled
  // during the next estimate.
  void narrow(double sLo, double sHi);
  // The interval for the plane with the search's normal and the offset D.
  Estimate estimate(double D);

  // Elements still evaluated exactly at each estimate.
  std::size_t activeCount() const { return active_.size(); }
  std::size_t memoryBytes() const;

  // A part of the total that is a polynomial of sigma = s - anchor, with the bound on how far the
  // exact path's sum of its elements can lie from it.
  struct Epoch {
    double anchor;
    long double coefficient[4];  // of sigma^0 .. sigma^3
    double error;                // on the exact path's value of the epoch's elements
    double magnitude;            // sum of the absolute values that entered the coefficients
    std::uint32_t terms;         // water tetrahedra added
  };

 private:
  // Settles the element if every point lies outside the bracket; false when it stays active.
  bool settle(std::uint32_t e, Epoch& epoch);
  bool absorb(std::uint32_t e, Epoch& epoch);

  FastEvaluation& fast_;
  std::vector<std::uint32_t> active_;  // element indices, in evaluation order
  std::vector<Epoch> epochs_;
  long double settledVolume_ = 0;  // wholly submerged elements left behind
  std::size_t settledCount_ = 0;
  std::size_t dryCount_ = 0;  // wholly dry elements left behind
  // Every settled element keeps its classification for the levels maxWet <= s < minDry.
  double maxWet_ = 0, minDry_ = 0;
  double sLo_ = 0, sHi_ = 0;
  bool pending_ = false;  // the bracket narrowed since the last estimate
};
