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

}  // namespace

bool parseHeelRange(const std::string& text, HeelRange& range, std::string& reason) {
  const size_t first = text.find(':');
  const size_t second = first == std::string::npos ? first : text.find(':', first + 1);
  HeelRange r;
  if (second == std::string::npos || text.find(':', second + 1) != std::string::npos ||
      !readField(text.substr(0, first), r.fromDeg) ||
      !readField(text.substr(first + 1, second - first - 1), r.toDeg) ||
      !readField(text.substr(second + 1), r.stepDeg)) {
    reason = "expected FROM:TO:STEP in degrees, e.g. 0:60:5";
    return false;
  }
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
