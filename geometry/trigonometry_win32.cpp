#include "geometry/trigonometry.h"

#include <quadmath.h>

// The quadruple-precision result is within a unit of its last place, 60 bits below a double's, so
// its one rounding to double gives the correctly rounded value (for the program's angles, checked
// against the Linux results in the tests).
double sine(double angle) {
  return static_cast<double>(sinq(angle));
}

double cosine(double angle) {
  return static_cast<double>(cosq(angle));
}
