#pragma once

// What must hold for every case file text: the reader accepts it or refuses it with a message
// that names the file; what it accepts holds only finite numbers within their ranges, and floats
// on a small hull within bounds, by the Newton solver, to a result that is sound or refused. The
// checks behind the case file harness. Texts that name files (set:, mesh:) are passed over: the
// harness reads nothing from the disk.

#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>

#include "app/case_file.h"
#include "fuzz/pipeline_checks.h"
#include "loading/loaded_check.h"

namespace input_checks {

inline std::string checkLoadingCondition(const LoadingCondition& c) {
  if (!(std::isfinite(c.waterDensity) && c.waterDensity > 0))
    return "a water density that is not positive and finite was accepted";
  if (c.weights.empty())
    return "a case without weights was accepted";
  for (const Weight& w : c.weights) {
    if (!(std::isfinite(w.mass) && w.mass > 0) || !isFinite(w.centre))
      return "weight '" + w.name + "' has a mass or a centre out of range";
  }
  for (const Tank& t : c.tanks) {
    if (!(t.permeability > 0 && t.permeability <= 1) || !(t.density > 0) ||
        !std::isfinite(t.density) || !(t.amount >= 0) || !std::isfinite(t.amount) || !t.solid)
      return "tank '" + t.name + "' was accepted with a value out of range";
  }
  for (const Compartment& k : c.compartments) {
    if (!(k.permeability > 0 && k.permeability <= 1) || !k.solid)
      return "compartment '" + k.name + "' was accepted with a value out of range";
  }
  for (const HeelingMoment& m : c.heelingMoments) {
    if (!std::isfinite(m.moment))
      return "heeling moment '" + m.name + "' is not finite";
  }
  return "";
}

// The booklet's keys hold only finite numbers within their ranges, the heels of the wind's arm
// increasing.
inline std::string checkBookletKeys(const CaseInput& in) {
  if (in.lpp && !(std::isfinite(*in.lpp) && *in.lpp > 0))
    return "an lpp that is not positive and finite was accepted";
  if (in.windage && !(std::isfinite(in.windage->area) && in.windage->area > 0 &&
                      std::isfinite(in.windage->lever) && in.windage->lever > 0))
    return "a windage out of range was accepted";
  if (in.bilgeKeelArea && !(std::isfinite(*in.bilgeKeelArea) && *in.bilgeKeelArea >= 0))
    return "a bilge keel area out of range was accepted";
  for (const Opening& o : in.openings) {
    if (!isFinite(o.point))
      return "opening '" + o.name + "' has a point that is not finite";
  }
  if (in.windHeelingArm && !heelingArmTableProblem(in.windHeelingArm->rows()).empty())
    return "a wind heeling arm that is not a table was accepted: " +
           heelingArmTableProblem(in.windHeelingArm->rows());
  return "";
}

inline std::string checkCaseFile(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (text.find("set") != std::string::npos || text.find("mesh") != std::string::npos)
    return "";
  const std::string path = "fuzz/case.yaml";
  CaseInput input;
  try {
    input = readCaseText(path, text);
  } catch (const CaseError& e) {
    const std::string message = e.what();
    return message.rfind(path + ": ", 0) == 0 ? "" : "a refusal does not name the file: " + message;
  }
  std::string problem = checkLoadingCondition(input.condition);
  if (problem.empty())
    problem = checkBookletKeys(input);
  if (!problem.empty())
    return problem;
  FloatingBody hull;
  // The hull: the box 20 x 10 x 6 of one hexahedron.
  {
    const Vec3 p[8] = {Vec3(0, 0, 0), Vec3(20, 0, 0), Vec3(20, 10, 0), Vec3(0, 10, 0),
                       Vec3(0, 0, 6), Vec3(20, 0, 6), Vec3(20, 10, 6), Vec3(0, 10, 6)};
    hull.hexahedronCount = 1;
    hull.hexahedra = std::make_unique<Hexahedron[]>(1);
    hull.hexahedra[0].setVertices(p, 8);
    hull.boundingBox();
    hull.prepareFastEvaluation(1);
  }
  LoadedBody load(hull, input.condition);
  if (!whyLoadingCannotFloat(load).empty())
    return "";
  Plane plane{0, 0, 1, 0};
  Vec3 buoyancy{0, 0, 0};
  {
    BoundedConsole console(60, std::chrono::milliseconds(2000));
    NewtonSettings settings;
    settings.maxSteps = 30;
    try {
      solveNewtonAttitude(hull, load, plane, buoyancy, settings);
    } catch (const BoundedConsole::LimitReached&) {
      return "";
    }
  }
  if (!whyLoadedResultIsUnsound(load, plane, buoyancy).empty())
    return "";
  const LoadedEquilibrium e = checkLoadedEquilibrium(load, plane, buoyancy);
  if (!e.check.converged || !e.check.hasWaterplane)
    return "";
  // A waterplane always has principal metacentric heights; GMt and GMl are heights about the
  // body's x and y axes, which a body floating on its end has no projection of into the plane.
  const StabilityResult& s = e.check.stability;
  if (!std::isfinite(s.GMmin) || !std::isfinite(s.GMmax))
    return "a converged equilibrium with a waterplane has no finite principal GM";
  if (std::isfinite(s.heelAxis.x) != std::isfinite(s.GMt) ||
      std::isfinite(s.trimAxis.x) != std::isfinite(s.GMl))
    return "GMt or GMl is missing about an axis that lies in the waterplane";
  return "";
}

}  // namespace input_checks
