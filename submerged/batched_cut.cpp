#include "submerged/batched_cut.h"

#include "submerged/cut_sum.h"

// Every function that passes the vectors below is built for AVX2 and inlined into the one entry
// point built for it, so they all pass the vectors the same way; the rest of the program never
// sees one.
#define WIDE [[gnu::always_inline]] inline __attribute__((target("avx2")))

namespace {

// Four tetrahedra side by side, a vector of four doubles filling one AVX2 register. Every
// operation below is one IEEE operation per lane, as its scalar counterpart is, and the operands
// are combined in the scalar code's order.
constexpr std::size_t kLanes = 4;
typedef double Lanes __attribute__((vector_size(kLanes * sizeof(double))));
typedef std::int64_t LaneMask __attribute__((vector_size(kLanes * sizeof(double))));

WIDE Lanes broadcast(double s) {
  return Lanes{s, s, s, s};
}

// fabs: the sign bit cleared, also of -0 and of a NaN.
WIDE Lanes absolute(Lanes v) {
  return reinterpret_cast<Lanes>(reinterpret_cast<LaneMask>(v) & 0x7fffffffffffffffLL);
}

// One point per lane.
struct Points {
  Lanes x, y, z;
};

WIDE Points operator+(const Points& a, const Points& b) {
  return Points{a.x + b.x, a.y + b.y, a.z + b.z};
}
WIDE Points operator-(const Points& a, const Points& b) {
  return Points{a.x - b.x, a.y - b.y, a.z - b.z};
}
WIDE Points operator*(const Points& a, Lanes s) {
  return Points{a.x * s, a.y * s, a.z * s};
}
WIDE Points select(LaneMask mask, const Points& a, const Points& b) {
  return Points{mask ? a.x : b.x, mask ? a.y : b.y, mask ? a.z : b.z};
}

// Tetrahedron::volumeOf: |a . (b x c)| / 6 with a, b, c the edges from p0.
WIDE Lanes volumeOf(const Points& p0, const Points& p1, const Points& p2, const Points& p3) {
  const Points a = p1 - p0, b = p2 - p0, c = p3 - p0;
  const Points bc{b.y * c.z - b.z * c.y, b.z * c.x - b.x * c.z, b.x * c.y - b.y * c.x};
  return absolute(a.x * bc.x + a.y * bc.y + a.z * bc.z) / 6.0;
}

// Tetrahedron::centroidOf: (((p0 + p1) + p2) + p3) * 0.25.
WIDE Points centroidOf(const Points& p0, const Points& p1, const Points& p2, const Points& p3) {
  return (p0 + p1 + p2 + p3) * broadcast(0.25);
}

// The cut point of the edge E -> F as the scalar cut finds it: the crossing of the line, or the
// edge's midpoint where the edge runs parallel to the plane within the intersection's tolerance.
struct CutPlane {
  Lanes A, B, C;
  WIDE Points cutPoint(const Points& e, const Points& f, Lanes valueE) const {
    const Points d = f - e;
    const Lanes s = A * d.x + B * d.y + C * d.z;
    const Lanes t = -valueE / s;
    const Points crossing = e + d * t;
    const Points midpoint = (e + f) * broadcast(0.5);
    return select(absolute(s) < 1e-10, midpoint, crossing);
  }
};

// PieceSum of the scalar cut: V = v + V, M = c*v + M, the last piece's centroid kept.
template <bool withCentroid>
struct LanePieces {
  Lanes volume;
  Points moment, last;  // the last piece's centroid

  WIDE void add(const Points& a, const Points& b, const Points& c, const Points& d) {
    const Lanes v = volumeOf(a, b, c, d);
    volume = v + volume;
    if (withCentroid) {
      last = centroidOf(a, b, c, d);
      moment = last * v + moment;
    }
  }
  WIDE Points centroid() const {
    const LaneMask large = absolute(volume) > kVanishingPieceVolume;
    return select(large, Points{moment.x / volume, moment.y / volume, moment.z / volume}, last);
  }
};

// The lanes' tetrahedra: group members first + j, the last one repeated in lanes past the end.
struct Gather {
  const CrossedGroup& group;
  const Vec3* points;
  const double* values;
  std::size_t member[kLanes];

  WIDE Points point(int slot) const {
    Points p;
    for (std::size_t j = 0; j < kLanes; ++j) {
      const Vec3& q = points[group.members[member[j]].point[slot]];
      p.x[j] = q.x;
      p.y[j] = q.y;
      p.z[j] = q.z;
    }
    return p;
  }
  WIDE Lanes value(int slot) const {
    Lanes v;
    for (std::size_t j = 0; j < kLanes; ++j)
      v[j] = values[group.members[member[j]].point[slot]];
    return v;
  }
};

// The pieces of cutTetrahedron's three cases, in its order.
template <bool withCentroid>
WIDE LanePieces<withCentroid> cutLanes(const Gather& g, const CutPlane& plane) {
  const Points s0 = g.point(0), s1 = g.point(1), s2 = g.point(2), s3 = g.point(3);
  const Lanes zero = broadcast(0);
  LanePieces<withCentroid> sum{zero, {zero, zero, zero}, {zero, zero, zero}};
  switch (g.group.dryCount) {
    case 1: {
      const Lanes vd = g.value(0);
      const Points x1 = plane.cutPoint(s0, s1, vd);
      const Points x2 = plane.cutPoint(s0, s2, vd);
      const Points x3 = plane.cutPoint(s0, s3, vd);
      sum.add(x1, s1, s2, s3);
      sum.add(x3, x1, x2, s3);
      sum.add(x2, x1, s2, s3);
      break;
    }
    case 2: {
      const Lanes vd1 = g.value(0), vd2 = g.value(1);
      const Points x1 = plane.cutPoint(s1, s2, vd2);
      const Points x2 = plane.cutPoint(s0, s2, vd1);
      const Points x3 = plane.cutPoint(s0, s3, vd1);
      const Points x4 = plane.cutPoint(s1, s3, vd2);
      sum.add(s3, x4, x3, x1);
      sum.add(x3, x1, s2, s3);
      sum.add(s2, x3, x2, x1);
      break;
    }
    default: {
      const Lanes vw = g.value(3);
      const Points x1 = plane.cutPoint(s3, s0, vw);
      const Points x2 = plane.cutPoint(s3, s1, vw);
      const Points x3 = plane.cutPoint(s3, s2, vw);
      sum.add(s3, x1, x2, x3);
      break;
    }
  }
  return sum;
}

// The whole group on registers of four doubles (AVX2); a processor without them uses the scalar
// cut instead (see groupedCutsSupported).
template <bool withCentroid>
__attribute__((target("avx2"))) void cutWide(const CrossedGroup& group, const Vec3* points,
                                             const double* values, const Plane& plane,
                                             double* volume, Vec3* centroid) {
  const CutPlane lanesPlane{broadcast(plane.A), broadcast(plane.B), broadcast(plane.C)};
  for (std::size_t first = 0; first < group.count; first += kLanes) {
    Gather g{group, points, values, {}};
    const std::size_t lanes = group.count - first < kLanes ? group.count - first : kLanes;
    for (std::size_t j = 0; j < kLanes; ++j)
      g.member[j] = first + (j < lanes ? j : lanes - 1);
    const LanePieces<withCentroid> sum = cutLanes<withCentroid>(g, lanesPlane);
    const Points c = withCentroid ? sum.centroid() : sum.last;
    for (std::size_t j = 0; j < lanes; ++j) {
      const std::uint16_t i = group.members[first + j].index;
      volume[i] = sum.volume[j];
      if (withCentroid)
        centroid[i] = Vec3(c.x[j], c.y[j], c.z[j]);
    }
  }
}

}  // namespace

#undef WIDE

bool groupedCutsSupported() {
#ifdef _WIN32
  // The Windows build's compiler does not align the stack for spilled 32-byte registers, so the
  // wide cut could fault there; that build cuts one by one, with the same results.
  return false;
#else
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
#endif
}

template <bool withCentroid>
void cutCrossedGroup(const CrossedGroup& group, const Vec3* points, const double* values,
                     const Plane& plane, double* volume, Vec3* centroid) {
  cutWide<withCentroid>(group, points, values, plane, volume, centroid);
}

template void cutCrossedGroup<true>(const CrossedGroup&, const Vec3*, const double*, const Plane&,
                                    double*, Vec3*);
template void cutCrossedGroup<false>(const CrossedGroup&, const Vec3*, const double*, const Plane&,
                                     double*, Vec3*);
