#pragma once

#include <memory>
#include <string>
#include <vector>

#include "elements/floating_body.h"
#include "geometry/vec3.h"

// A loading condition: what the body carries and how it lies in the water. The units are those of
// an engineer's loading condition: metres, tonnes, t/m^3, t*m (the body's coordinates are taken
// to be in metres). The physics is in tank_liquid.h (tanks), loaded_body.h (the body as the
// solvers float it) and loaded_check.h (the equilibrium's report).

// A weight fixed in the body: mass in t at its centre of gravity.
struct Weight {
  std::string name;
  double mass = 0;
  Vec3 centre{0, 0, 0};
};

// How a tank's content is given: a share of its capacity, a volume of liquid, or a mass.
enum class TankContent { kFill, kVolume, kMass };

// A tank: a closed solid (a box, elements or a closed surface) holding a liquid of the density.
// Its capacity is permeability x the solid's volume: the share of the solid that structure and
// fittings leave to the liquid, taken as spread evenly through it.
struct Tank {
  std::string name;
  std::unique_ptr<FloatingBody> solid;
  double density = 1.025;  // t/m^3
  double permeability = 1;
  TankContent content = TankContent::kFill;
  double amount = 0;  // the share (0..1), the volume (m^3) or the mass (t)
};

// A compartment open to the sea: flooded to the water plane, permeability x its volume below the
// plane no longer buoys the body.
struct Compartment {
  std::string name;
  std::unique_ptr<FloatingBody> solid;
  double permeability = 1;
};

// A moment on the body that does not come from its weights, constant in the earth's frame (a
// crane's load swung out, a wind): heel pushes the +y side down, trim the +x end, in t*m.
enum class MomentDirection { kHeel, kTrim };

struct HeelingMoment {
  std::string name;
  double moment = 0;
  MomentDirection direction = MomentDirection::kHeel;
};

struct LoadingCondition {
  double waterDensity = 1.025;  // t/m^3
  std::vector<Weight> weights;
  std::vector<Tank> tanks;
  std::vector<Compartment> compartments;
  std::vector<HeelingMoment> heelingMoments;
};

// A closed box x1..x2, y1..y2, z1..z2 as a body of one hexahedron (bounds set).
std::unique_ptr<FloatingBody> boxSolid(double x1, double x2, double y1, double y2, double z1,
                                       double z2);

// Prepares a tank's or compartment's solid for its many level searches (its fast evaluation on
// the calling thread, or its surface evaluation) and returns its whole volume and centroid.
double prepareSolid(FloatingBody& solid, Vec3& centroid);

// The tank's capacity in m^3: permeability x the volume of the solid.
double tankCapacity(const Tank& tank, double solidVolume);
// The liquid's volume in m^3 as the content gives it: fill x capacity, the volume, or mass over
// density.
double liquidVolume(const Tank& tank, double capacity);

// A liquid within this fraction of the capacity fills the tank: no free surface is left (the
// volume given and the capacity computed may differ in their last digits).
constexpr double kFullTolerance = 1e-9;

const char* directionName(MomentDirection direction);  // "heel", "trim"
