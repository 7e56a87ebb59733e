#include "solver/attitude_rotation.h"

#include <cmath>

#include "geometry/trigonometry.h"
#include "solver/attitude_console.h"

void Vec3::identityMatrix(double* m, int n) {
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j)
      m[i * n + j] = i == j ? 1.0 : 0.0;
  }
}

void Vec3::multiplyMatrices(double* c, const double* a, const double* b, int rows, int inner,
                            int cols) {
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) {
      // The sum runs in c itself, term by term in the order of k.
      c[i * cols + j] = 0;
      for (int k = 0; k < inner; ++k)
        c[i * cols + j] += a[i * inner + k] * b[k * cols + j];
    }
  }
}

void Vec3::rotationMatrix(double* m, Vec3 p1, Vec3 p2, double angle) {
  const Vec3 u = (p2 - p1) / (p2 - p1).length();
  const double ux = u.x, uy = u.y, uz = u.z;
  const double c = cosine(angle);
  const double s = sine(angle);
  const double t = 1 - c;
  // Rotation about the unit direction u through the origin, for row vectors (v -> v * R). The
  // first diagonal entry keeps the form ux^2 + c*(uy^2 + uz^2); for a unit u it is c + t*ux^2.
  const double r[16] = {ux * ux + c * (uy * uy + uz * uz),
                        t * ux * uy + s * uz,
                        t * ux * uz - s * uy,
                        0,
                        t * ux * uy - s * uz,
                        c + t * (uy * uy),
                        t * uy * uz + s * ux,
                        0,
                        t * ux * uz + s * uy,
                        t * uy * uz - s * ux,
                        c + t * (uz * uz),
                        0,
                        0,
                        0,
                        0,
                        1};
  // Move p1 to the origin, turn, move back: m = (T1 * R) * T2, T1 acting first.
  double toOrigin[16];
  double back[16];
  identityMatrix(toOrigin, 4);
  identityMatrix(back, 4);
  toOrigin[12] = -p1.x;
  toOrigin[13] = -p1.y;
  toOrigin[14] = -p1.z;
  back[12] = p1.x;
  back[13] = p1.y;
  back[14] = p1.z;
  double turned[16];
  multiplyMatrices(turned, toOrigin, r, 4, 4, 4);
  multiplyMatrices(m, turned, back, 4, 4, 4);
}

void Vec3::rotateAbout(Vec3 axis, double angle) {
  double m[16];
  rotationMatrix(m, Vec3(0, 0, 0), axis, angle);
  const double row[4] = {x, y, z, 1};
  double r[4];
  multiplyMatrices(r, row, m, 1, 4, 4);
  const double len = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
  x = r[0] / len;
  y = r[1] / len;
  z = r[2] / len;
}

Vec3 FloatingBody::tiltAxis(Vec3 buoyancyCentre, Vec3 gravityCentre, Vec3 normal) {
  // Turning the normal by a positive angle about w x n tips it away from the side on which the
  // centre of gravity lies: the water rises on that side and the buoyancy follows the weight.
  Vec3 w = gravityCentre - buoyancyCentre;
  w.normalize();
  Vec3 n = normal;
  n.normalize();
  Vec3 axis = w.cross(n);
  axis.normalize();
  return axis;
}

double FloatingBody::actionLineDistance(Vec3 p1, Vec3 p2, Vec3 lineDirection) {
  const Vec3 e = p2 - p1;
  if (e.length() < 1e-10) {
    writePointsTooCloseMessage();
    return 0;
  }
  // Distance of p2 from the line through p1 along the direction: the gap between the two
  // parallel lines of action.
  return e.cross(lineDirection).length() / lineDirection.length();
}
