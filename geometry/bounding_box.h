#pragma once

#include "geometry/vec3.h"

// Axis-aligned box. The empty box has its minima at 1e20 and its maxima at -1e20, so that merging
// any point into it gives that point's box.
class BoundingBox {
 public:
  double xMin, yMin, zMin, xMax, yMax, zMax;

  static BoundingBox empty() { return BoundingBox{1e20, 1e20, 1e20, -1e20, -1e20, -1e20}; }
  // The box of the single point p.
  static BoundingBox ofPoint(const Vec3& p) { return BoundingBox{p.x, p.y, p.z, p.x, p.y, p.z}; }

  // Lowers a minimum only where the point is strictly smaller and raises a maximum only where it
  // is strictly larger.
  void include(const Vec3& p) {
    if (p.x < xMin)
      xMin = p.x;
    if (p.y < yMin)
      yMin = p.y;
    if (p.z < zMin)
      zMin = p.z;
    if (p.x > xMax)
      xMax = p.x;
    if (p.y > yMax)
      yMax = p.y;
    if (p.z > zMax)
      zMax = p.z;
  }
  // Merges another box with the same strict comparisons, axis by axis.
  void include(const BoundingBox& b) {
    if (b.xMin < xMin)
      xMin = b.xMin;
    if (b.yMin < yMin)
      yMin = b.yMin;
    if (b.zMin < zMin)
      zMin = b.zMin;
    if (b.xMax > xMax)
      xMax = b.xMax;
    if (b.yMax > yMax)
      yMax = b.yMax;
    if (b.zMax > zMax)
      zMax = b.zMax;
  }
  // Length of the box's diagonal.
  double diagonal() const;
};
