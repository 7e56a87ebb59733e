#include "app/report/report_json.h"

#include <nlohmann/json.hpp>

#include "app/report/booklet_report.h"

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
  if (r.loading)
    j["caseFile"] = r.loading->caseFile;
  j["pillarFile"] = r.pillarFile ? ordered_json(*r.pillarFile) : ordered_json(nullptr);
  if (r.pillarFileError)
    j["pillarFileError"] = *r.pillarFileError;
  j["displacementVolume"] = r.hasLoading ? ordered_json(r.displacementVolume) : nullptr;
  j["centreOfGravity"] = r.hasLoading ? point(r.centreOfGravity) : nullptr;
  j["bodyVolume"] = r.bodyVolume;
  if (!surface) {
    j["elements"] = {{"tetrahedra", e.tetrahedra},
                     {"hexahedra", e.hexahedra},
                     {"prisms", e.prisms},
                     {"cylinders", e.cylinders}};
  } else {
    j["triangles"] = r.triangles;
    if (r.lowestOpenPoint)
      j["lowestOpenPoint"] = point(*r.lowestOpenPoint);
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

// The heights above the baseline: KM = KG + GM, so that GM = KM - KG holds in the numbers.
ordered_json baseline(const RunReport& r) {
  const double KB = r.centreOfBuoyancy.z - r.baseline, KG = r.centreOfGravity.z - r.baseline;
  const Hydrostatics& h = r.hydrostatics;
  return {{"z", r.baseline}, {"KB", KB}, {"KG", KG}, {"KMt", KG + h.GMt}, {"KMl", KG + h.GMl}};
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
  if (curve.openingHeelDeg) {
    j["openingReachedHeelDeg"] = *curve.openingHeelDeg;
    j["openingReachedAt"] = point(curve.openingPoint);
  }
  if (curve.heeling) {
    const HeelingArmCrossing& h = *curve.heeling;
    j["heelingArm"] = h.arm;
    j["heelingArmCrossingHeelDeg"] = optionalNumber(h.crossingHeelDeg);
    j["residualArea"] = optionalNumber(h.residualArea);
    j["residualAreaToEndOfRange"] = h.residualToEndOfRange;
  }
  return j;
}

ordered_json hydrostaticTable(const std::vector<HydrostaticRow>& rows) {
  ordered_json table = ordered_json::array();
  const char* const* names = hydrostaticColumnNames();
  for (const HydrostaticRow& r : rows) {
    ordered_json row;
    for (int c = 0; c < kHydrostaticColumns; ++c)
      row[names[c]] = hydrostaticValue(r, c);
    table.push_back(row);
  }
  return table;
}

ordered_json crossCurves(const std::vector<CrossCurve>& curves) {
  ordered_json list = ordered_json::array();
  for (const CrossCurve& c : curves) {
    ordered_json points = ordered_json::array();
    for (const RightingArmPoint& p : c.points) {
      points.push_back({{"heelDeg", p.heelDeg},
                        {"trimDeg", p.trimDeg},
                        {"kn", p.gz},
                        {"trimFound", p.trimFound}});
    }
    list.push_back({{"displacementVolume", c.displacementVolume},
                    {"referenceX", c.referenceX},
                    {"points", points}});
  }
  return list;
}

ordered_json flooding(const std::optional<FloodingPoint>& f) {
  return f ? ordered_json{{"heelDeg", f->heelDeg}, {"opening", f->opening}} : ordered_json(nullptr);
}

ordered_json weatherDetails(const WeatherOutcome& w, const RollParticulars& p) {
  return {{"lw1", w.lw1},
          {"lw2", w.lw2},
          {"phi0Deg", optionalNumber(w.phi0Deg)},
          {"phi1Deg", w.roll.phi1Deg},
          {"interceptDeg", optionalNumber(w.interceptDeg)},
          {"phicDeg", optionalNumber(w.phicDeg)},
          {"phi2Deg", w.phi2Deg},
          {"areaA", w.areaA},
          {"areaB", w.areaB},
          {"steadyHeelLimitDeg", w.steadyHeelLimitDeg},
          {"X1", w.roll.X1},
          {"X2", w.roll.X2},
          {"k", w.roll.k},
          {"s", w.roll.s},
          {"r", w.roll.r},
          {"C", w.roll.C},
          {"rollingPeriod", w.roll.T},
          {"breadth", p.breadth},
          {"draught", p.draught},
          {"blockCoefficient", p.blockCoefficient},
          {"waterlineLength", p.waterlineLength},
          {"KG", p.KG},
          {"GM", p.GM},
          {"bilgeKeelArea", p.bilgeKeelArea}};
}

ordered_json criteria(const CriteriaAssessment& a) {
  ordered_json results = ordered_json::array();
  for (const CriterionResult& r : a.results) {
    results.push_back({{"id", r.id},
                       {"required", r.required},
                       {"attained", r.attained},
                       {"unit", r.unit},
                       {"pass", r.pass},
                       {"margin", r.margin()},
                       {"side", r.side}});
  }
  ordered_json sides = ordered_json::array();
  for (const SideAssessment& s : a.sides) {
    ordered_json side = {{"side", s.side},
                         {"equilibriumHeelDeg", s.equilibriumDeg},
                         {"floodingAngle", flooding(s.flooding)}};
    if (s.weather)
      side["weather"] = weatherDetails(*s.weather, a.roll);
    if (s.areaRatio) {
      const AreaRatioOutcome& o = *s.areaRatio;
      side["areaRatio"] = {{"firstInterceptDeg", optionalNumber(o.firstInterceptDeg)},
                           {"secondInterceptDeg", optionalNumber(o.secondInterceptDeg)},
                           {"limitDeg", o.limitDeg},
                           {"rightingArea", o.rightingArea},
                           {"heelingArea", o.heelingArea}};
    }
    sides.push_back(side);
  }
  return {{"set", criteriaSetName(a.set)},
          {"pass", a.pass},
          {"results", results},
          {"displacement", a.displacement},
          {"sides", sides}};
}

}  // namespace

std::string reportToJson(const RunReport& r, const std::string& programVersion) {
  const Plane& p = r.waterPlane;
  ordered_json j;
  j["program"] = {{"name", "floatstate"}, {"version", programVersion}};
  j["input"] = input(r);
  if (r.equilibriumSolved) {
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
  }
  if (r.namesBaseline)
    j["baseline"] = baseline(r);
  if (r.rightingArm) {
    j["gz"] = rightingArm(*r.rightingArm);
    j["gzSummary"] = rightingArmSummary(*r.rightingArm);
  }
  if (r.hydrostaticTable || r.crossCurves || r.criteria) {
    j["waterDensity"] = r.waterDensity;
    // The case file's water_density, or sea water when there is no case.
    j["waterDensitySource"] = r.densityFromCase ? "case" : "default";
  }
  if (r.hydrostaticTable)
    j["hydrostaticTable"] = hydrostaticTable(*r.hydrostaticTable);
  if (r.crossCurves)
    j["crossCurves"] = crossCurves(*r.crossCurves);
  if (r.criteria)
    j["criteria"] = criteria(*r.criteria);
  if (r.equilibriumSolved)
    j["verdict"] = verdictName(r.verdict);
  j["warnings"] = warnings(r);
  return j.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}
