#pragma once

// A point or a free vector in the floating body's own coordinate system, in the length unit of
// the input file. Every component-wise operation evaluates strictly left to right; callers rely on
// that for bit-identical results between the reference and the fast evaluation.
class Vec3 {
 public:
  double x, y, z;

  // Intentionally uninitialised: arrays of points are filled right after they are created.
  Vec3() = default;
  Vec3(double px, double py, double pz) : x(px), y(py), z(pz) {}

  Vec3 operator+(const Vec3& o) const { return Vec3(x + o.x, y + o.y, z + o.z); }
  Vec3 operator-(const Vec3& o) const { return Vec3(x - o.x, y - o.y, z - o.z); }
  Vec3 operator*(double s) const { return Vec3(x * s, y * s, z * s); }
  Vec3 operator/(double s) const { return Vec3(x / s, y / s, z / s); }
  bool operator==(const Vec3& o) const { return x == o.x && y == o.y && z == o.z; }

  // (x*x' + y*y') + z*z'
  double dot(const Vec3& o) const { return x * o.x + y * o.y + z * o.z; }
  double length() const;

  // this x other.
  Vec3 cross(const Vec3& o) const {
    return Vec3(y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x);
  }

  // Divides each component by the Euclidean length. A zero vector becomes (nan, nan, nan); the
  // callers only pass vectors they know to be non-zero.
  void normalize();

  // Rotation toolkit used by the attitude iteration. Matrices are row-major arrays of doubles:
  // element (i, j) of a matrix with `cols` columns is at index i * cols + j. Homogeneous
  // transforms use the row-vector convention: a point is the row [x, y, z, 1] and maps to
  // [x, y, z, 1] * M, so in T1 * R * T2 the transform T1 acts first.
  static void identityMatrix(double* m, int n);
  // c = a * b with a rows x inner and b inner x cols. c must not share storage with a or b.
  static void multiplyMatrices(double* c, const double* a, const double* b, int rows, int inner,
                               int cols);
  // 4x4 transform turning points by `angle` radians (right-handed) about the line p1 -> p2.
  static void rotationMatrix(double* m, Vec3 p1, Vec3 p2, double angle);
  // Turns this vector as a direction about `axis` (any non-zero length) by `angle` radians and
  // scales the result to unit length.
  void rotateAbout(Vec3 axis, double angle);
};

// All three components are finite numbers (no infinity, no NaN).
bool isFinite(const Vec3& p);
