#include "app/batch_job.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <future>
#include <ostream>
#include <set>
#include <sstream>

#include "app/input/input_scan.h"
#include "app/option_values.h"

using nlohmann::json;

namespace {

// A job's value that does not fit its key; caught where the job is read.
struct JobError {
  std::string message;
};

[[noreturn]] void fail(const std::string& key, const std::string& reason) {
  throw JobError{key + ": " + reason};
}

std::string pathOf(const json& value, const std::string& key, const std::string& folder) {
  if (!value.is_string() || value.get_ref<const std::string&>().empty())
    fail(key, "expected the path of a file");
  return inFolder(folder, value.get<std::string>());
}

double numberOf(const json& value, const std::string& key) {
  if (!value.is_number())
    fail(key, "expected a number");
  const double number = value.get<double>();
  if (!std::isfinite(number))
    fail(key, "expected a finite number");
  return number;
}

Vec3 pointOf(const json& value, const std::string& key) {
  if (!value.is_array() || value.size() != 3)
    fail(key, "expected a point [x, y, z]");
  return Vec3(numberOf(value[0], key), numberOf(value[1], key), numberOf(value[2], key));
}

bool yesOrNo(const json& value, const std::string& key) {
  if (value.is_boolean())
    return value.get<bool>();
  if (value == "yes" || value == "no")
    return value == "yes";
  fail(key, "expected \"yes\" or \"no\"");
}

void readPillars(const json& value, const std::string& folder, RunOptions& options) {
  if (value.is_boolean()) {
    if (value.get<bool>())
      fail("pillars", "true is not a choice: give a file, false, or the four pillars");
    options.noPillars = true;
  } else if (value.is_string()) {
    options.pillarFile = pathOf(value, "pillars", folder);
  } else if (value.is_array() && value.size() == 4) {
    std::array<LineSegment, 4> pillars;
    for (std::size_t k = 0; k < 4; ++k) {
      if (!value[k].is_array() || value[k].size() != 2)
        fail("pillars", "expected four pillars of two points [[x, y, z], [x, y, z]] each");
      pillars[k] = LineSegment(pointOf(value[k][0], "pillars"), pointOf(value[k][1], "pillars"));
    }
    options.pillars = pillars;
  } else {
    fail("pillars", "expected a file, false, or the four pillars [[[x, y, z], [x, y, z]], ...]");
  }
}

void readGz(const json& value, RunOptions& options) {
  HeelRange range;
  std::string reason;
  bool ok;
  if (value.is_string()) {
    ok = parseHeelRange(value.get<std::string>(), range, reason);
  } else if (value.is_array() && value.size() == 3) {
    HeelRange given;
    given.fromDeg = numberOf(value[0], "gz");
    given.toDeg = numberOf(value[1], "gz");
    given.stepDeg = numberOf(value[2], "gz");
    ok = checkHeelRange(given, range, reason);
  } else {
    ok = false;
    reason = "expected \"FROM:TO:STEP\" or [FROM, TO, STEP] in degrees";
  }
  if (!ok)
    fail("gz", reason);
  options.gz = range;
}

void readMethod(const json& value, RunOptions& options) {
  if (value == "greedy")
    options.method = SolverMethod::kGreedy;
  else if (value == "newton")
    options.method = SolverMethod::kNewton;
  else
    fail("method", "expected \"greedy\" or \"newton\"");
}

void readMaxSteps(const json& value, RunOptions& options) {
  if (!value.is_number_integer() || value.get<std::int64_t>() < 1 ||
      value.get<std::int64_t>() > INT32_MAX)
    fail("max_steps", "expected a whole number of steps, at least 1");
  options.maxSteps = value.get<int>();
}

// One setting into options; false when the key is not one.
bool readSetting(const std::string& key, const json& value, const std::string& folder,
                 RunOptions& options) {
  MeshRunInput& m = options.mesh;
  if (key == "displacement") {
    m.displacement = numberOf(value, key);
    m.hasDisplacement = true;
  } else if (key == "mass") {
    m.mass = numberOf(value, key);
    m.hasMass = true;
  } else if (key == "density") {
    m.density = numberOf(value, key);
    m.hasDensity = true;
  } else if (key == "gravity") {
    m.gravity = pointOf(value, key);
    m.hasGravity = true;
  } else if (key == "method") {
    readMethod(value, options);
  } else if (key == "max_steps") {
    readMaxSteps(value, options);
  } else if (key == "pillars") {
    readPillars(value, folder, options);
  } else if (key == "marks") {
    options.marksFile = pathOf(value, key, folder);
  } else if (key == "gz") {
    readGz(value, options);
  } else if (key == "answer") {
    options.answer = yesOrNo(value, key);
  } else if (key == "strict") {
    if (!value.is_boolean())
      fail(key, "expected true or false");
    options.strict = value.get<bool>();
  } else {
    return false;
  }
  return true;
}

JobBody readBody(const json& value, const std::string& folder) {
  JobBody body;
  if (value.is_string()) {
    body.path = pathOf(value, "body", folder);
  } else if (value.is_object() && value.size() == 1 &&
             (value.contains("set") || value.contains("mesh"))) {
    body.mesh = value.contains("mesh");
    body.path = pathOf(value.begin().value(), body.mesh ? "body.mesh" : "body.set", folder);
  } else {
    fail("body", "expected \"PATH\" (a SET file), {\"set\": \"PATH\"} or {\"mesh\": \"PATH\"}");
  }
  return body;
}

json parseObject(const std::string& text) {
  json object = json::parse(text, nullptr, false);
  if (object.is_discarded())
    throw JobError{"the job is not JSON"};
  if (!object.is_object())
    throw JobError{"a job is a JSON object of settings"};
  return object;
}

// Every key of the object but `skipped` into options, over the jobs' defaults.
void readSettings(const json& object, const std::string& folder, const char* skipped,
                  RunOptions& options) {
  options.quiet = true;
  options.answer = false;
  for (auto item = object.begin(); item != object.end(); ++item) {
    if (item.key() != skipped && !readSetting(item.key(), item.value(), folder, options))
      fail(item.key(), "not a setting of a solve job");
  }
}

}  // namespace

std::string inFolder(const std::string& folder, const std::string& path) {
  if (folder.empty() || path.empty())
    return path;
  const std::filesystem::path given(path);
  return given.is_absolute() ? path : (std::filesystem::path(folder) / given).string();
}

bool readJobSettings(const std::string& objectText, const std::string& folder, RunOptions& options,
                     std::string& error) {
  try {
    readSettings(parseObject(objectText), folder, "", options);
    return true;
  } catch (const JobError& e) {
    error = e.message;
    return false;
  }
}

bool readSolveJob(const std::string& objectText, const std::string& folder, JobBody& body,
                  RunOptions& options, std::string& error) {
  try {
    const json object = parseObject(objectText);
    if (!object.contains("body"))
      throw JobError{"body: a solve job names its body"};
    body = readBody(object["body"], folder);
    readSettings(object, folder, "body", options);
    return true;
  } catch (const JobError& e) {
    error = e.message;
    return false;
  }
}

struct BodyCache::Slot {
  std::filesystem::file_time_type time;
  std::uintmax_t size = 0;
  std::shared_future<Entry> entry;
};

namespace {

// Reads the body as a run of the program would, its findings on a fault dropped (the fault's
// message says what stopped it).
BodyCache::Entry readJobBody(const JobBody& body) {
  std::ostringstream unused;
  BodyCache::Entry entry;
  try {
    entry.body = body.mesh ? prepareMeshBody(body.path, unused) : prepareSetBody(body.path, unused);
  } catch (const ReadFault& fault) {
    entry.fault = runFaultOf(fault);
  }
  return entry;
}

}  // namespace

BodyCache::Entry BodyCache::get(const JobBody& body) {
  std::error_code timeError, sizeError;
  const auto time = std::filesystem::last_write_time(body.path, timeError);
  const auto size = std::filesystem::file_size(body.path, sizeError);
  if (timeError || sizeError) {
    // Nothing to know the file by (it may not exist): the reader says what is wrong.
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      ++reads_;
    }
    return readJobBody(body);
  }
  const std::string key = (body.mesh ? "mesh:" : "set:") + body.path;
  std::promise<Entry> promise;
  std::shared_future<Entry> entry;
  bool mine = false;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::shared_ptr<Slot>& slot = slots_[key];
    if (slot && slot->time == time && slot->size == size) {
      entry = slot->entry;
    } else {
      entry = promise.get_future().share();
      slot = std::make_shared<Slot>(Slot{time, size, entry});
      mine = true;
      ++reads_;
    }
  }
  if (mine) {
    try {
      promise.set_value(readJobBody(body));
    } catch (...) {
      promise.set_exception(std::current_exception());  // out of memory: for every waiter
    }
  }
  return entry.get();
}

std::size_t BodyCache::reads() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return reads_;
}

BodyCache& processBodyCache() {
  static BodyCache cache;
  return cache;
}

RunResult runSolveJob(const std::string& objectText, const std::string& folder,
                      const RunStreams& streams, BodyCache& cache) {
  JobBody body;
  RunOptions options;
  RunResult result;
  std::string error;
  if (!readSolveJob(objectText, folder, body, options, error)) {
    result.exitCode = 1;
    result.fault = {RunFault::Kind::kInput, error, 0};
    return result;
  }
  const BodyCache::Entry entry = cache.get(body);
  if (!entry.body) {
    result.exitCode = 1;
    result.fault = entry.fault;
    return result;
  }
  options.body = entry.body;
  return runForReport(options, streams);
}
