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
// file and counts its triangles.
ordered_json input(const RunReport& r) {
  const ElementCounts& e = r.elements;
  ordered_json j = r.meshFile.empty() ? ordered_json{{"setFile", r.setFile}}
                                      : ordered_json{{"mesh", r.meshFile}};
  if (r.loading)
    j["caseFile"] = r.loading->caseFile;
  j["pillarFile"] = r.pillarFile ? ordered_json(*r.pillarFile) : ordered_json(nullptr);
  j["displacementVolume"] = r.displacementVolume;
  j["centreOfGravity"] = point(r.centreOfGravity);
  j["bodyVolume"] = r.bodyVolume;
  if (r.meshFile.empty()) {
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

ordered_json hydrostatics(const RunReport& r) {
  const Hydrostatics& h = r.hydrostatics;
  ordered_json j = {{"waterplaneArea", h.waterplaneArea},
                    {"centreOfFlotation", point(h.centreOfFlotation)},
                    {"GMt", h.GMt},
                    {"GMl", h.GMl},
                    {"GMmin", h.GMmin},
                    {"BMt", h.BMt},
                    {"BMl", h.BMl}};
  // A loaded body's GM above is the fluid one, its liquids free to run; the solid one besides.
  if (r.loading) {
    j["GMtSolid"] = r.loading->GMtSolid;
    j["GMlSolid"] = r.loading->GMlSolid;
  }
  return j;
}

// The loading condition of a --case run, at the equilibrium (case_report.h).
ordered_json loadingCase(const CaseReport& c) {
  ordered_json weights = ordered_json::array();
  for (const CaseReport::Weight& w : c.weights)
    weights.push_back({{"name", w.name}, {"mass", w.mass}, {"centre", point(w.centre)}});
  ordered_json tanks = ordered_json::array();
  for (const CaseReport::Tank& t : c.tanks) {
    tanks.push_back({{"name", t.name},
                     {"capacity", t.capacity},
                     {"volume", t.volume},
                     {"mass", t.mass},
                     {"centre", point(t.centre)},
                     {"freeSurfaceMoment", t.freeSurfaceMoment}});
  }
  ordered_json compartments = ordered_json::array();
  for (const CaseReport::Compartment& k : c.compartments) {
    compartments.push_back({{"name", k.name},
                            {"permeability", k.permeability},
                            {"floodedVolume", k.floodedVolume},
                            {"centre", point(k.centre)}});
  }
  ordered_json moments = ordered_json::array();
  for (const CaseReport::Moment& m : c.heelingMoments)
    moments.push_back({{"name", m.name}, {"moment", m.moment}, {"direction", m.direction}});
  return {{"waterDensity", c.waterDensity},
          {"mass", c.mass},
          {"displacementVolume", c.displacementVolume},
          {"centreOfGravitySolid", point(c.gravitySolid)},
          {"centreOfGravityFluid", point(c.gravityFluid)},
          {"freeSurfaceCorrection", {{"t", c.freeSurfaceT}, {"l", c.freeSurfaceL}}},
          {"weights", weights},
          {"tanks", tanks},
          {"compartments", compartments},
          {"heelingMoments", moments}};
}

ordered_json drafts(const RunReport& r) {
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
    points.push_back({{"heelDeg", p.heelDeg}, {"trimDeg", p.trimDeg}, {"gz", p.gz}});
  return points;
}

ordered_json rightingArmSummary(const RightingArmCurve& curve) {
  const RightingArmSummary& s = curve.summary;
  ordered_json unbalanced = ordered_json::array();
  for (const RightingArmPoint& p : curve.points) {
    if (!p.trimFound)
      unbalanced.push_back(p.heelDeg);
  }
  ordered_json j = {{"maxGz", optionalNumber(s.maxGz)},
                    {"maxGzHeelDeg", optionalNumber(s.maxHeelDeg)},
                    {"vanishingHeelDeg", optionalNumber(s.vanishingHeelDeg)},
                    {"areaTo30Deg", optionalNumber(s.area30)},
                    {"areaTo40Deg", optionalNumber(s.area40)},
                    {"unbalancedTrimHeelsDeg", unbalanced}};
  if (curve.heeling) {
    const HeelingArmCrossing& h = *curve.heeling;
    j["heelingArm"] = h.arm;
    j["heelingArmCrossingHeelDeg"] = optionalNumber(h.crossingHeelDeg);
    j["residualArea"] = optionalNumber(h.residualArea);
    j["residualAreaToEndOfRange"] = h.residualToEndOfRange;
  }
  return j;
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
  j["hydrostatics"] = hydrostatics(r);
  if (r.loading)
    j["case"] = loadingCase(*r.loading);
  if (r.rightingArm) {
    j["gz"] = rightingArm(*r.rightingArm);
    j["gzSummary"] = rightingArmSummary(*r.rightingArm);
  }
  j["verdict"] = verdictName(r.verdict);
  j["warnings"] = warnings(r);
  return j.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}
