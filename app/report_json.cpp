#include "app/report_json.h"

#include <nlohmann/json.hpp>

using nlohmann::ordered_json;

namespace {

ordered_json point(const Vec3& p) {
  return ordered_json::array({p.x, p.y, p.z});
}

ordered_json draft(const std::optional<double>& z) {
  return z ? ordered_json(*z) : ordered_json(nullptr);
}

ordered_json input(const RunReport& r) {
  const ElementCounts& e = r.elements;
  return {{"setFile", r.setFile},
          {"pillarFile", r.pillarFile ? ordered_json(*r.pillarFile) : ordered_json(nullptr)},
          {"displacementVolume", r.displacementVolume},
          {"centreOfGravity", point(r.centreOfGravity)},
          {"bodyVolume", r.bodyVolume},
          {"elements",
           {{"tetrahedra", e.tetrahedra},
            {"hexahedra", e.hexahedra},
            {"prisms", e.prisms},
            {"cylinders", e.cylinders}}}};
}

ordered_json solver(const SolverRecord& s) {
  return {{"method", s.method},
          {"steps", s.steps},
          {"draftSearches", s.draftSearches},
          {"converged", s.converged},
          {"distance", s.distance},
          {"distanceTolerance", s.distanceTolerance},
          {"seconds", s.seconds}};
}

ordered_json hydrostatics(const Hydrostatics& h) {
  return {{"waterplaneArea", h.waterplaneArea},
          {"centreOfFlotation", point(h.centreOfFlotation)},
          {"GMt", h.GMt},
          {"GMl", h.GMl},
          {"GMmin", h.GMmin},
          {"BMt", h.BMt},
          {"BMl", h.BMl}};
}

ordered_json drafts(const RunReport& r) {
  ordered_json pillars = ordered_json::array();
  for (std::size_t k = 0; k < r.pillarDrafts.size(); ++k)
    pillars.push_back({{"index", k + 1}, {"draft", draft(r.pillarDrafts[k])}});
  return pillars;
}

ordered_json marks(const RunReport& r) {
  ordered_json marks = ordered_json::array();
  for (const NamedDraft& mark : r.marks)
    marks.push_back({{"name", mark.name}, {"draft", draft(mark.draft)}});
  return marks;
}

ordered_json warnings(const RunReport& r) {
  ordered_json warnings = ordered_json::array();
  for (const InputWarning& w : r.warnings)
    warnings.push_back({{"line", w.line}, {"message", w.message}});
  return warnings;
}

}  // namespace

std::string reportToJson(const RunReport& r, const std::string& programVersion) {
  const Plane& p = r.waterPlane;
  ordered_json j;
  j["program"] = {{"name", "floatstate"}, {"version", programVersion}};
  j["input"] = input(r);
  j["solver"] = solver(r.solver);
  j["waterPlane"] = {{"A", p.A}, {"B", p.B}, {"C", p.C}, {"D", p.D}};
  j["centreOfBuoyancy"] = point(r.centreOfBuoyancy);
  j["heelDeg"] = heelDegrees(p);
  j["trimDeg"] = trimDegrees(p);
  j["pillars"] = drafts(r);
  if (r.marksGiven)
    j["marks"] = marks(r);
  j["hydrostatics"] = hydrostatics(r.hydrostatics);
  j["verdict"] = verdictName(r.verdict);
  j["warnings"] = warnings(r);
  return j.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}
