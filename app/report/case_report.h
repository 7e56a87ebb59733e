#pragma once

#include <iosfwd>
#include <limits>
#include <string>
#include <vector>

#include "app/report/driver_texts.h"
#include "geometry/vec3.h"

// What a --case run reports of its loading condition at the equilibrium, as the driver fills it
// in: the input as read and what the loaded body came to. Units: metres, tonnes, t/m^3, t*m.
// Written as the console's "Loading condition" block and as the JSON report's "case" object.
struct CaseReport {
  static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  std::string caseFile;
  double waterDensity = kNone;
  double mass = kNone;
  double displacementVolume = kNone;
  Vec3 gravitySolid{kNone, kNone, kNone};  // the weights and the liquids where they lie
  Vec3 gravityFluid{kNone, kNone, kNone};  // raised by the transverse free-surface correction
  double freeSurfaceT = kNone, freeSurfaceL = kNone;  // m
  double GMtSolid = kNone, GMlSolid = kNone, GMtFluid = kNone, GMlFluid = kNone;
  double heelDeg = kNone, trimDeg = kNone;

  struct Weight {
    std::string name;
    double mass;
    Vec3 centre;
  };
  struct Tank {
    std::string name;
    double capacity, fill, volume, mass;  // m^3, share, m^3, t
    Vec3 centre;                          // of the liquid; NaN for an empty tank
    double freeSurfaceMoment;             // t*m, about the heel axis
  };
  struct Compartment {
    std::string name;
    double permeability, floodedVolume;
    Vec3 centre;  // of the flooded part; NaN when none is flooded
  };
  struct Moment {
    std::string name;
    double moment;          // t*m
    std::string direction;  // "heel" or "trim"
  };
  std::vector<Weight> weights;
  std::vector<Tank> tanks;
  std::vector<Compartment> compartments;
  std::vector<Moment> heelingMoments;
};

// The "Loading condition" block: a title with the units, the weights, tanks, flooded
// compartments and heeling moments one per line, then the totals and the stability of the
// loaded body, labels padded to one width as in the summary. Numbers have `digits` significant
// digits; names are written as they stand in the case file, unconverted.
void writeLoadingBlock(std::ostream& out, const CaseReport& report, const DriverTexts& texts,
                       int digits);
