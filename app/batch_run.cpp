#include "app/batch_run.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <new>
#include <optional>
#include <ostream>
#include <sstream>
#include <thread>
#include <vector>

#include "app/batch_job.h"
#include "app/platform/console_encoding.h"
#include "app/platform/output_file.h"
#include "app/platform/platform.h"

using nlohmann::ordered_json;

namespace {

// The keys that make an object a loading condition rather than a solve job.
bool isInlineCase(const ordered_json& entry) {
  for (const char* key : {"weights", "tanks", "compartments", "heeling_moments", "water_density"}) {
    if (entry.contains(key))
      return true;
  }
  return false;
}

// The runs of the list file, or false with a reason.
bool readList(const std::string& path, std::vector<ordered_json>& entries, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open the list " + path;
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  const ordered_json list = ordered_json::parse(text.str(), nullptr, false);
  if (list.is_discarded()) {
    error = path + ": not a JSON document (a list of runs, or an object with the key \"cases\")";
    return false;
  }
  const ordered_json* runs = &list;
  if (list.is_object() && list.contains("cases"))
    runs = &list["cases"];
  if (!runs->is_array()) {
    error = path + ": expected a list of runs, or an object with the key \"cases\" holding one";
    return false;
  }
  entries.assign(runs->begin(), runs->end());
  return true;
}

struct Outcome {
  std::string line;   // the line for OUT
  std::string error;  // the message of a run that ended on a fault; empty otherwise
};

Outcome faultLine(RunFault::Kind kind, const std::string& message) {
  const ordered_json line = {
      {"error",
       {{"kind", kind == RunFault::Kind::kFile ? "file" : "input"}, {"message", message}}}};
  return {line.dump(-1, ' ', false, ordered_json::error_handler_t::replace), message};
}

Outcome runEntry(const ordered_json& entry, const std::string& folder, BodyCache& cache) {
  if (entry.is_string() || (entry.is_object() && isInlineCase(entry))) {
    return faultLine(RunFault::Kind::kInput,
                     "loading conditions (case files) are not read by this build of floatstate");
  }
  if (!entry.is_object()) {
    return faultLine(RunFault::Kind::kInput,
                     "a run is a solve job (an object) or the path of a case file");
  }
  std::ostream discarded(nullptr);
  std::istringstream noAnswers;
  const RunStreams streams{discarded, discarded, noAnswers, false};
  try {
    const RunResult result = runSolveJob(entry.dump(), folder, streams, cache);
    if (result.fault.kind != RunFault::Kind::kNone || result.json.empty())
      return faultLine(result.fault.kind, result.fault.message);
    return {ordered_json::parse(result.json)
                .dump(-1, ' ', false, ordered_json::error_handler_t::replace),
            ""};
  } catch (const std::bad_alloc&) {
    return faultLine(RunFault::Kind::kInput, "out of memory: the body is too large for this run");
  } catch (const std::exception& e) {
    return faultLine(RunFault::Kind::kInput, e.what());
  }
}

}  // namespace

int runBatch(const BatchOptions& options, std::ostream& out, std::ostream& err) {
  const auto start = std::chrono::steady_clock::now();
  std::vector<ordered_json> entries;
  std::string error;
  if (!readList(options.listFile, entries, error)) {
    writeUnconverted(err, "floatstate: " + error + "\n");
    return 1;
  }
  const std::string folder = directoryOf(options.listFile);
  const std::size_t count = entries.size();
  int jobs =
      options.jobs > 0 ? options.jobs : static_cast<int>(std::thread::hardware_concurrency());
  jobs = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)),
                                                std::max<std::size_t>(count, 1)));

  // The runs are taken in order by the threads; their lines are written in order as they come.
  BodyCache cache;
  std::vector<std::optional<Outcome>> outcomes(count);
  std::mutex mutex;
  std::condition_variable done;
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i = next++; i < count; i = next++) {
      Outcome outcome = runEntry(entries[i], folder, cache);
      const std::lock_guard<std::mutex> lock(mutex);
      outcomes[i] = std::move(outcome);
      done.notify_all();
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < jobs; ++t)
    threads.emplace_back(work);

  const bool toStandardOutput = options.linesFile == "-";
  std::string lines;
  std::size_t errors = 0;
  for (std::size_t i = 0; i < count; ++i) {
    std::unique_lock<std::mutex> lock(mutex);
    done.wait(lock, [&] { return outcomes[i].has_value(); });
    const Outcome outcome = std::move(*outcomes[i]);
    outcomes[i].reset();
    lock.unlock();
    if (!outcome.error.empty()) {
      ++errors;
      writeUnconverted(err, "floatstate: " + options.listFile + ": run " + std::to_string(i + 1) +
                                ": " + outcome.error + "\n");
    }
    if (toStandardOutput) {
      out << outcome.line << '\n' << std::flush;
    } else {
      lines += outcome.line;
      lines += '\n';
    }
  }
  for (std::thread& thread : threads)
    thread.join();

  bool written = true;
  std::string reason;
  if (!toStandardOutput && !writeFileReplacing(options.linesFile, lines, reason)) {
    writeUnconverted(err, "floatstate: cannot write " + options.linesFile + ": " + reason + "\n");
    written = false;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  char summary[160];
  std::snprintf(
      summary, sizeof summary,
      "floatstate: batch: %zu runs, %zu reports, %zu errors, %.2f seconds on %d threads\n", count,
      count - errors, errors, seconds, jobs);
  err << summary << std::flush;
  return written && errors == 0 ? 0 : 1;
}
