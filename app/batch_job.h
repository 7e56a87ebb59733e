#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "app/console_driver.h"
#include "app/prepared_body.h"

// Solve jobs: a run of a body file under a loading, written as one JSON object, so that a list of
// runs can be a file (floatstate --batch) or come from another program (the Python package). The
// keys, all but "body" optional:
//   "body"          "PATH" (a SET file), {"set": "PATH"} or {"mesh": "PATH"} (a surface mesh)
//   "displacement"  V; or "mass" M with "density" RHO (V = M / RHO). A surface needs one; for a
//                   SET file it replaces the file's displacement volume
//   "gravity"       [X, Y, Z], the centre of gravity: a surface needs it; for a SET file it
//                   replaces the file's
//   "method"        "greedy" (the default) or "newton"
//   "max_steps"     N >= 1, as --max-steps
//   "pillars"       "PATH" (as --pillars), false (as --no-pillars), or the four pillars
//                   [[[x1, y1, z1], [x2, y2, z2]], ...] themselves; default: FourPillars.txt beside
//                   the body, as a run of the program reads it
//   "marks"         "PATH", as --marks
//   "gz"            "FROM:TO:STEP" or [FROM, TO, STEP] in degrees, as --gz
//   "answer"        "yes" or "no" (the default; true and false too), as --answer
//   "strict"        true: as --strict
// Relative paths are taken from a folder the caller names (the list file's, for --batch). Any
// other key, or a value of the wrong kind, is an error that names the key. A job's report is the
// JSON report of the same run of the program.

// The settings of a job (every key above but "body") into options, over their defaults: quiet,
// and the iteration's question answered "no" unless the job says otherwise. False with a one-line
// reason on a key that is not a setting or a value that does not fit its key.
bool readJobSettings(const std::string& objectText, const std::string& folder, RunOptions& options,
                     std::string& error);

// A body file as a job names it: its path (with the folder) and whether it is a surface mesh.
struct JobBody {
  std::string path;
  bool mesh = false;
};
// The job's body and settings; false with a reason as readJobSettings.
bool readSolveJob(const std::string& objectText, const std::string& folder, JobBody& body,
                  RunOptions& options, std::string& error);

// A path of a job: as it is when absolute or when no folder is given, else within `folder`.
std::string inFolder(const std::string& folder, const std::string& path);

// The bodies this process's jobs have read, each read once and shared by every job that names it
// (runs float copies of their own). A body is known by its kind and path as the job gives it (with
// the folder), and kept with its file's modification time and size: a file changed since is read
// again. Safe to use from several threads: a body that one thread is reading is waited for by the
// others. A file that cannot be read is remembered with its fault in the same way.
class BodyCache {
 public:
  struct Entry {
    std::shared_ptr<const PreparedBody> body;  // null on a fault
    RunFault fault;
  };
  Entry get(const JobBody& body);
  // How many times a file has been read, for the tests.
  std::size_t reads() const;

 private:
  struct Slot;
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<Slot>> slots_;
  std::size_t reads_ = 0;
};

// The one cache of the process, for the jobs of the Python package's workers.
BodyCache& processBodyCache();

// Reads and runs one job: the body from the cache, the run on the streams (runForReport). A job
// that cannot be read ends as an input fault, exit code 1, without a report.
RunResult runSolveJob(const std::string& objectText, const std::string& folder,
                      const RunStreams& streams, BodyCache& cache);
