#pragma once

#include <string>
#include <vector>

#include "elements/floating_body.h"
#include "solver/stability.h"
#include "submerged/waterplane.h"

// Whether the iteration's last attitude may be trusted as the body's floating attitude: gravity and
// buoyancy on one line (within the iteration's tolerance), a water plane that cuts the body, and a
// restoring moment for every small rotation.
enum class Verdict { kStable, kUnstable, kNotConverged };

struct EquilibriumCheck {
  Verdict verdict = Verdict::kNotConverged;
  bool converged = false;      // distance <= tolerance
  bool hasWaterplane = false;  // the plane cuts some element: its section has an area
  double distance = 0;         // between the lines of action of gravity and buoyancy
  double tolerance = 0;        // the iteration's d_error
  WaterplaneProperties waterplane{};
  StabilityResult stability{};
};

// Judges the plane and centre of buoyancy that the attitude iteration returned for displacement V
// and centre of gravity G. Reads the body's elements only.
EquilibriumCheck checkEquilibrium(const FloatingBody& body, const Plane& plane,
                                  const Vec3& buoyancyCentre, double V, const Vec3& G);

// "stable", "unstable", "not-converged".
const char* verdictName(Verdict verdict);

// The program's exit code for the verdict: 0 stable, 3 not in equilibrium, 4 unstable.
int verdictExitCode(const EquilibriumCheck& check);

// The lines that tell the user why the result cannot be trusted, each starting "floatstate: ";
// none for a stable equilibrium.
// Their numbers have `digits` significant digits.
std::vector<std::string> verdictLines(const EquilibriumCheck& check, int digits = 6);
