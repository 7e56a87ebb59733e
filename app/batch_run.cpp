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
#include "app/case_tree.h"
#include "app/console_driver.h"
#include "app/platform/console_encoding.h"
#include "app/platform/output_file.h"
#include "app/platform/platform.h"
#include "submerged/worker_pool.h"

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

// A plain scalar of the list as YAML reads it: null, a boolean, a number, or text. A quoted one
// is always text.
ordered_json scalarOf(const CaseNode& node) {
  const std::string& s = node.scalar;
  if (node.quoted)
    return s;
  if (s.empty() || s == "~" || s == "null" || s == "Null" || s == "NULL")
    return nullptr;
  if (s == "true" || s == "True" || s == "TRUE")
    return true;
  if (s == "false" || s == "False" || s == "FALSE")
    return false;
  // Numbers as JSON writes them: the job and case readers check their ranges.
  const ordered_json number = ordered_json::parse(s, nullptr, false);
  return !number.is_discarded() && number.is_number() ? number : ordered_json(s);
}

ordered_json jsonOf(const CaseNode& node) {
  switch (node.kind) {
    case CaseNode::Kind::kScalar:
      return scalarOf(node);
    case CaseNode::Kind::kSequence: {
      ordered_json items = ordered_json::array();
      for (const CaseNode& item : node.items)
        items.push_back(jsonOf(item));
      return items;
    }
    case CaseNode::Kind::kMap: {
      ordered_json object = ordered_json::object();
      for (const auto& entry : node.entries)
        object[entry.first.scalar] = jsonOf(entry.second);
      return object;
    }
    case CaseNode::Kind::kNull:
      break;
  }
  return nullptr;
}

// The runs of the list file, or false with a reason. The list is YAML (JSON is YAML too; a build
// without the YAML library reads JSON only).
bool readList(const std::string& path, std::vector<ordered_json>& entries, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open the list " + path;
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  CaseNode root;
  long errorLine = 0;
  if (!parseCaseText(text.str(), root, errorLine, error)) {
    error = path + (errorLine > 0 ? ": line " + std::to_string(errorLine) : "") + ": " + error;
    return false;
  }
  const ordered_json list = jsonOf(root);
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

// A case of the list: a case file (its path from the list's folder), or one given inline, which
// takes its paths from the list's folder and is called "LIST run N" in messages.
RunResult runCase(const ordered_json& entry, const std::string& listFile, std::size_t index,
                  const RunStreams& streams) {
  RunOptions options;
  options.quiet = true;
  options.answer = true;
  options.method = SolverMethod::kNewton;
  if (entry.is_string()) {
    const std::string path = entry.get<std::string>();
    options.caseFile = inFolder(directoryOf(listFile), path);
  } else {
    options.caseFile = listFile + " run " + std::to_string(index + 1);
    options.caseText = entry.dump();
  }
  return runForReport(options, streams);
}

Outcome runEntry(const ordered_json& entry, const std::string& listFile, std::size_t index,
                 BodyCache& cache) {
  const bool isCase = entry.is_string() || (entry.is_object() && isInlineCase(entry));
  if (!isCase && !entry.is_object()) {
    return faultLine(RunFault::Kind::kInput,
                     "a run is a solve job or a case (an object) or the path of a case file");
  }
  std::ostream discarded(nullptr);
  std::istringstream noAnswers;
  const RunStreams streams{discarded, discarded, noAnswers, false};
  try {
    const RunResult result = isCase
                                 ? runCase(entry, listFile, index, streams)
                                 : runSolveJob(entry.dump(), directoryOf(listFile), streams, cache);
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
  // The machine's threads are shared out among the jobs: each run's evaluation gets its share.
  const int hardware = static_cast<int>(std::thread::hardware_concurrency());
  const int share = std::max(1, (hardware > 0 ? hardware : 1) / jobs);
  const auto work = [&] {
    const EvaluationThreads evaluation(share);
    for (std::size_t i = next++; i < count; i = next++) {
      Outcome outcome = runEntry(entries[i], options.listFile, i, cache);
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
