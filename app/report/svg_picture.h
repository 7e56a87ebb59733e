#pragma once

#include <string>
#include <vector>

#include "elements/floating_body.h"
#include "geometry/line_segment.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"
#include "solver/righting_arm.h"
#include "stability/criteria_assessment.h"
#include "stability/cross_curves.h"

// A line on which a draft is read (a pillar of the pillar file, or a draft mark), drawn with its
// draft: the z of its crossing with the water plane in body coordinates.
struct PictureMark {
  std::string label;
  LineSegment line;
  bool pillar = false;  // a pillar, not a draft mark
};

// A solid inside the body drawn with a level of its own: a tank with its liquid's surface (what
// lies below it is liquid), or a flooded compartment with the water plane (below it: the flood).
struct PictureSolid {
  const FloatingBody* solid = nullptr;
  Plane level{0, 0, 1, 0};
  bool liquid = true;  // a tank's liquid; false: a flooded compartment
};

// What the picture shows besides the body's elements.
struct PictureScene {
  Plane waterPlane{0, 0, 1, 0};
  Vec3 gravityCentre{0, 0, 0};
  Vec3 buoyancyCentre{0, 0, 0};
  std::vector<PictureMark> marks;
  const RightingArmCurve* curve = nullptr;       // the righting-arm panel, when given
  const CriteriaAssessment* criteria = nullptr;  // its limits and heeling arms over that panel
  const std::vector<CrossCurve>* crossCurves = nullptr;  // the cross curves' panel, when given
  std::vector<PictureSolid> solids;  // tanks and flooded compartments, when given
};

// One SVG 1.1 document of the floating body: profile, section and plan as it floats (the water
// level in every view), with the water plane, G and B and their lines of action, the marks with
// their drafts, and, when the scene has a curve, a panel of the righting-arm curve with its
// maximum (with the criteria's limits and heeling arms when the scene has them), and a panel of the
// cross curves when it has those. The drawing is scaled to the body; a view's wireframe is reduced
// to the lines that show at the picture's resolution (see BodyOutline).
std::string drawFloatingBodySvg(const FloatingBody& body, const PictureScene& scene);
