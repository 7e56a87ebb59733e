#include "app/option_values.h"

#include <charconv>
#include <cmath>

namespace {

// One number of the range, the whole field; from_chars reads '.' in every locale.
bool readField(const std::string& field, double& value) {
  const char* end = field.data() + field.size();
  const auto result = std::from_chars(field.data(), end, value);
  return !field.empty() && result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

// The fields of text between the separators (an empty text has one empty field).
std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    fields.push_back(text.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos)
      return fields;
    start = end + 1;
  }
}

// Three numbers "FROM:TO:STEP".
bool readRange(const std::string& text, double (&values)[3]) {
  const std::vector<std::string> fields = split(text, ':');
  return fields.size() == 3 && readField(fields[0], values[0]) && readField(fields[1], values[1]) &&
         readField(fields[2], values[2]);
}

}  // namespace

bool parseHeelRange(const std::string& text, HeelRange& range, std::string& reason) {
  double v[3];
  HeelRange r;
  if (!readRange(text, v)) {
    reason = "expected FROM:TO:STEP in degrees, e.g. 0:60:5";
    return false;
  }
  r.fromDeg = v[0];
  r.toDeg = v[1];
  r.stepDeg = v[2];
  return checkHeelRange(r, range, reason);
}

bool checkHeelRange(const HeelRange& r, HeelRange& range, std::string& reason) {
  if (!(std::isfinite(r.fromDeg) && std::isfinite(r.toDeg) && std::isfinite(r.stepDeg))) {
    reason = "the heels FROM, TO and STEP must be finite numbers";
  } else if (!(r.fromDeg >= -180 && r.fromDeg <= r.toDeg && r.toDeg <= 180)) {
    reason = "the heels must satisfy -180 <= FROM <= TO <= 180";
  } else if (!(r.stepDeg > 0)) {
    reason = "STEP must be greater than 0";
  } else if (r.count() > kMaxHeelAngles || r.count() == 0) {
    reason = "more than " + std::to_string(kMaxHeelAngles) + " heel angles";
  } else {
    range = r;
    return true;
  }
  return false;
}

bool parseDraftRange(const std::string& text, DraftRange& range, std::string& reason) {
  double v[3];
  if (!readRange(text, v)) {
    reason = "expected FROM:TO:STEP in the body's length unit, e.g. 0.5:6:0.5";
    return false;
  }
  const DraftRange r{v[0], v[1], v[2]};
  if (!(r.from <= r.to)) {
    reason = "the drafts must satisfy FROM <= TO";
  } else if (!(r.step > 0)) {
    reason = "STEP must be greater than 0";
  } else if (r.count() > kMaxDrafts || r.count() == 0) {
    reason = "more than " + std::to_string(kMaxDrafts) + " drafts";
  } else {
    range = r;
    return true;
  }
  return false;
}

bool parseVolumeList(const std::string& text, std::vector<double>& volumes, std::string& reason) {
  std::vector<double> list;
  for (const std::string& field : split(text, ',')) {
    double v;
    if (!readField(field, v) || !(v > 0)) {
      reason = "'" + field + "' is not a positive volume (expected V1,V2,...)";
      return false;
    }
    list.push_back(v);
  }
  if (list.size() > static_cast<size_t>(kMaxCrossCurveVolumes)) {
    reason = "more than " + std::to_string(kMaxCrossCurveVolumes) + " volumes";
    return false;
  }
  volumes = list;
  return true;
}

bool parseWindage(const std::string& text, Windage& windage, std::string& reason) {
  const std::vector<std::string> fields = split(text, ',');
  Windage w;
  if (fields.size() != 2 || !readField(fields[0], w.area) || !readField(fields[1], w.lever) ||
      !(w.area > 0)) {
    reason =
        "expected AREA,LEVER: the lateral area above the waterline (m^2, positive) and its "
        "lever (m)";
    return false;
  }
  windage = w;
  return true;
}

bool parseOpening(const std::string& text, Opening& opening, std::string& reason) {
  const std::vector<std::string> fields = split(text, ',');
  Opening o;
  if (fields.size() != 4 || fields[0].empty() || !readField(fields[1], o.point.x) ||
      !readField(fields[2], o.point.y) || !readField(fields[3], o.point.z)) {
    reason = "expected NAME,X,Y,Z: a name and the opening's point";
    return false;
  }
  o.name = fields[0];
  opening = o;
  return true;
}

bool parseHeelingArmRows(const std::string& text, std::vector<std::pair<double, double>>& rows,
                         std::string& reason) {
  std::vector<std::pair<double, double>> list;
  for (const std::string& field : split(text, ',')) {
    const std::vector<std::string> pair = split(field, ':');
    double heel, arm;
    if (pair.size() != 2 || !readField(pair[0], heel) || !readField(pair[1], arm)) {
      reason = "'" + field + "' is not HEEL:ARM (expected HEEL:ARM,HEEL:ARM,...)";
      return false;
    }
    list.emplace_back(heel, arm);
  }
  reason = heelingArmTableProblem(list);
  if (!reason.empty())
    return false;
  rows = list;
  return true;
}
