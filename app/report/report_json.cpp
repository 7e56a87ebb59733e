#include "app/report/report_json.h"

#include <nlohmann/json.hpp>

using nlohmann::ordered_json;

namespace {

ordered_json point(const Vec3& p) {
  return ordered_json::array({p.x, p.y, p.z});
}

// A draft without a crossing, a summary value outside the range: null.
ordered_json optionalNumber(const std::optional<double>& v) {
  return v ? ordered_json(*v) : ordered_json(nullptr);
}

// A body of elements names its SET file and counts its elements; a surface body names its mesh
// file (null for one given in memory) and counts its triangles.
ordered_json input(const RunReport& r) {
  const ElementCounts& e = r.elements;
  const bool surface = r.surface || !r.meshFile.empty();
  const ordered_json mesh = r.meshFile.empty() ? ordered_json(nullptr) : ordered_json(r.meshFile);
  ordered_json j = surface ? ordered_json{{"mesh", mesh}} : ordered_json{{"setFile", r.setFile}};
  j["pillarFile"] = r.pillarFile ? ordered_json(*r.pillarFile) : ordered_json(nullptr);
  if (r.pillarFileError)
    j["pillarFileError"] = *r.pillarFileError;
  j["displacementVolume"] = r.displacementVolume;
  j["centreOfGravity"] = point(r.centreOfGravity);
  j["bodyVolume"] = r.bodyVolume;
  if (!surface) {
    j["elements"] = {{"tetrahedra", e.tetrahedra},
                     {"hexahedra", e.hexahedra},
                     {"prisms", e.prisms},
                     {"cylinders", e.cylinders}};
  } else {
    j["triangles"] = r.triangles;
  }
  return j;
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

// The pillars' drafts: none (an empty list) when the run wants no pillar file or goes without
// it; null when the pillar file it needed could not be read.
ordered_json drafts(const RunReport& r) {
  if (r.pillarFileError)
    return nullptr;
  ordered_json pillars = ordered_json::array();
  for (std::size_t k = 0; k < r.pillarDrafts.size(); ++k)
    pillars.push_back({{"index", k + 1}, {"draft", optionalNumber(r.pillarDrafts[k])}});
  return pillars;
}

ordered_json marks(const RunReport& r) {
  ordered_json marks = ordered_json::array();
  for (const NamedDraft& mark : r.marks)
    marks.push_back({{"name", mark.name}, {"draft", optionalNumber(mark.draft)}});
  return marks;
}

ordered_json warnings(const RunReport& r) {
  ordered_json warnings = ordered_json::array();
  for (const InputWarning& w : r.warnings)
    warnings.push_back({{"line", w.line}, {"message", w.message}});
  return warnings;
}

ordered_json rightingArm(const RightingArmCurve& curve) {
  ordered_json points = ordered_json::array();
  for (const RightingArmPoint& p : curve.points)
    points.push_back(
        {{"heelDeg", p.heelDeg}, {"trimDeg", resolvedDegrees(p.trimDeg)}, {"gz", p.gz}});
  return points;
}

ordered_json rightingArmSummary(const RightingArmCurve& curve) {
  const RightingArmSummary& s = curve.summary;
  ordered_json unbalanced = ordered_json::array();
  for (const RightingArmPoint& p : curve.points) {
    if (!p.trimFound)
      unbalanced.push_back(p.heelDeg);
  }
  return {{"maxGz", optionalNumber(s.maxGz)},
          {"maxGzHeelDeg", optionalNumber(s.maxHeelDeg)},
          {"vanishingHeelDeg", optionalNumber(s.vanishingHeelDeg)},
          {"areaTo30Deg", optionalNumber(s.area30)},
          {"areaTo40Deg", optionalNumber(s.area40)},
          {"unbalancedTrimHeelsDeg", unbalanced}};
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
  if (r.rightingArm) {
    j["gz"] = rightingArm(*r.rightingArm);
    j["gzSummary"] = rightingArmSummary(*r.rightingArm);
  }
  j["verdict"] = verdictName(r.verdict);
  j["warnings"] = warnings(r);
  return j.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}
