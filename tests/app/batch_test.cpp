// Solve jobs, the cache of bodies their runs share, and floatstate --batch over a list of them.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/batch_job.h"
#include "app/batch_run.h"
#include "app/command_line.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string examplesFolder() {
  const char* source = std::getenv("FLOATSTATE_SOURCE_DIR");
  return fs::absolute(fs::path(source != nullptr ? source : ".") / "examples").string();
}

using test_support::TempFolder;

struct SettingsCase {
  const char* job;
  const char* error;  // empty: read
};

TEST(SolveJob, SettingsAreReadOrRefusedByName) {
  const SettingsCase cases[] = {
      {R"({"displacement": 12.5, "gravity": [1, 2, 3], "method": "newton", "max_steps": 7})", ""},
      {R"({"mass": 100, "density": 1.025, "pillars": false, "gz": [0, 60, 5], "answer": "yes"})",
       ""},
      {R"({"gz": "0:30:10", "pillars": "p.txt", "marks": "m.csv", "strict": true})", ""},
      {R"({"pillars": [[[0,0,0],[0,0,1]],[[1,0,0],[1,0,1]],[[1,1,0],[1,1,1]],[[0,1,0],[0,1,1]]]})",
       ""},
      {R"({"colour": "red"})", "colour: not a setting"},
      {R"({"displacement": "12"})", "displacement: expected a number"},
      {R"({"gravity": [1, 2]})", "gravity: expected a point"},
      {R"({"method": "fast"})", "method: expected \"greedy\" or \"newton\""},
      {R"({"max_steps": 0})", "max_steps: expected a whole number"},
      {R"({"max_steps": 2.5})", "max_steps: expected a whole number"},
      {R"({"pillars": true})", "pillars: true is not a choice"},
      {R"({"pillars": [[[0,0,0],[0,0,1]]]})", "pillars: expected a file, false"},
      {R"({"gz": "60:0:5"})", "gz: the heels must satisfy"},
      {R"({"gz": [0, 60, 0]})", "gz: STEP must be greater than 0"},
      {R"({"answer": "maybe"})", "answer: expected \"yes\" or \"no\""},
      {R"({"marks": ""})", "marks: expected the path of a file"},
      {R"([1, 2])", "a job is a JSON object"},
      {R"({"displacement": )", "the job is not JSON"},
  };
  for (const SettingsCase& k : cases) {
    SCOPED_TRACE(k.job);
    RunOptions options;
    std::string error;
    const bool read = readJobSettings(k.job, "base", options, error);
    EXPECT_EQ(read, std::string(k.error).empty()) << error;
    if (!read) {
      EXPECT_EQ(error.rfind(k.error, 0), 0u) << error;
    }
  }
  RunOptions o;
  std::string error;
  ASSERT_TRUE(readJobSettings(cases[0].job, "", o, error));
  EXPECT_TRUE(o.mesh.hasDisplacement && o.mesh.hasGravity && !o.mesh.hasMass);
  EXPECT_EQ(o.mesh.displacement, 12.5);
  EXPECT_EQ(o.mesh.gravity, Vec3(1, 2, 3));
  EXPECT_EQ(o.method, SolverMethod::kNewton);
  EXPECT_EQ(o.maxSteps, 7);
  EXPECT_TRUE(o.quiet);
  EXPECT_EQ(o.answer, std::optional<bool>(false));  // nothing is ever read
  ASSERT_TRUE(readJobSettings(cases[1].job, "", o = RunOptions(), error));
  EXPECT_TRUE(o.noPillars && o.mesh.hasMass && o.mesh.hasDensity);
  EXPECT_EQ(o.answer, std::optional<bool>(true));
  ASSERT_TRUE(o.gz);
  EXPECT_EQ(o.gz->count(), 13);
  // Paths are taken from the folder given, unless absolute.
  ASSERT_TRUE(readJobSettings(cases[2].job, "base", o = RunOptions(), error));
  EXPECT_EQ(fs::path(o.pillarFile), fs::path("base") / "p.txt");
  EXPECT_EQ(fs::path(o.marksFile), fs::path("base") / "m.csv");
  ASSERT_TRUE(readJobSettings(cases[3].job, "", o = RunOptions(), error));
  ASSERT_TRUE(o.pillars);
  EXPECT_EQ((*o.pillars)[2].P0, Vec3(1, 1, 0));
}

TEST(SolveJob, TheBodyIsASetFileUnlessNamedAMesh) {
  const std::pair<const char*, JobBody> cases[] = {
      {R"({"body": "a.txt"})", {"a.txt", false}},
      {R"({"body": {"set": "a.txt"}})", {"a.txt", false}},
      {R"({"body": {"mesh": "/abs/hull.stl"}, "displacement": 1, "gravity": [0, 0, 0]})",
       {"/abs/hull.stl", true}},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    JobBody body;
    RunOptions options;
    std::string error;
    ASSERT_TRUE(readSolveJob(text, "", body, options, error)) << error;
    EXPECT_EQ(body.path, expected.path);
    EXPECT_EQ(body.mesh, expected.mesh);
  }
  for (const char* text : {R"({"displacement": 1})", R"({"body": {"stl": "a"}})",
                           R"({"body": {"set": "a", "mesh": "b"}})", R"({"body": 3})"}) {
    JobBody body;
    RunOptions options;
    std::string error;
    EXPECT_FALSE(readSolveJob(text, "", body, options, error)) << text;
    EXPECT_EQ(error.rfind("body", 0), 0u) << error;
  }
}

TEST(BodyCache, ReadsEachFileOnceForEveryThreadUntilItChanges) {
  const TempFolder folder("batch_cache");
  std::ifstream in(examplesFolder() + "/spar/spar.txt", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  const JobBody body{folder.write("spar.txt", text.str()), false};
  BodyCache cache;
  std::vector<std::shared_ptr<const PreparedBody>> got(8);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < got.size(); ++t)
    threads.emplace_back([&, t] { got[t] = cache.get(body).body; });
  for (std::thread& thread : threads)
    thread.join();
  EXPECT_EQ(cache.reads(), 1u);
  for (const auto& b : got)
    EXPECT_EQ(b, got[0]);
  ASSERT_NE(got[0], nullptr);
  // The same path as a mesh is another body; a changed file is read again.
  EXPECT_EQ(cache.get(JobBody{body.path, true}).fault.kind, RunFault::Kind::kInput);
  EXPECT_EQ(cache.reads(), 2u);
  folder.write("spar.txt", text.str() + "\n");
  const BodyCache::Entry again = cache.get(body);
  EXPECT_EQ(cache.reads(), 3u);
  ASSERT_NE(again.body, nullptr);
  EXPECT_NE(again.body, got[0]);
  // A file that does not exist is not remembered: each job's reading says why.
  const JobBody missing{folder.path() + "/none.txt", false};
  EXPECT_EQ(cache.get(missing).fault.kind, RunFault::Kind::kFile);
  EXPECT_EQ(cache.get(missing).fault.kind, RunFault::Kind::kFile);
  EXPECT_EQ(cache.reads(), 5u);
}

// The report of the same run of the program, without its seconds, on one line.
json reportOf(const RunOptions& options) {
  std::ostream discarded(nullptr);
  std::istringstream in;
  RunOptions o = options;
  o.answer = false;
  json j = json::parse(runForReport(o, RunStreams{discarded, discarded, in, false}).json);
  j["solver"].erase("seconds");
  return j;
}

TEST(Batch, LinesAreTheProgramsReportsInTheListsOrderAndFaultsInTheirPlace) {
  const TempFolder folder("batch_list");
  const std::string examples = examplesFolder();
  json list = json::array();
  std::vector<RunOptions> expected;
  for (int i = 0; i < 12; ++i) {
    const std::string name = i % 3 == 0 ? "semi_submersible" : i % 3 == 1 ? "spar" : "prism_hull";
    RunOptions options;
    options.setFile = examples + "/" + name + "/" + name + ".txt";
    json job = {{"body", options.setFile}};
    if (i % 2 == 1) {
      job["method"] = "newton";
      options.method = SolverMethod::kNewton;
    }
    if (i % 4 == 2) {
      job["gz"] = "0:20:10";
      options.gz = HeelRange{0, 20, 10};
    }
    list.push_back(job);
    expected.push_back(options);
  }
  list.insert(list.begin() + 3, json{{"body", "none.txt"}});
  list.insert(list.begin() + 5, json("case.yaml"));
  list.insert(list.begin() + 7, json{{"body", "x.txt"}, {"weights", json::array()}});
  const std::string listFile = folder.write("list.json", json{{"cases", list}}.dump());
  const std::string linesFile = folder.path() + "/out.jsonl";
  for (int jobs : {1, 3}) {
    SCOPED_TRACE(std::to_string(jobs) + " threads");
    std::ostringstream out, err;
    EXPECT_EQ(runBatch(BatchOptions{listFile, linesFile, jobs}, out, err), 1);
    EXPECT_TRUE(out.str().empty());
    std::ifstream in(linesFile);
    std::vector<json> lines;
    for (std::string line; std::getline(in, line);)
      lines.push_back(json::parse(line));
    ASSERT_EQ(lines.size(), list.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i == 3 || i == 5 || i == 7) {
        ASSERT_TRUE(lines[i].contains("error")) << lines[i];
        // A body or a case file that cannot be opened is a file's fault; a case that is not
        // one, the input's.
        EXPECT_EQ(lines[i]["error"]["kind"], i == 7 ? "input" : "file");
        EXPECT_NE(err.str().find("list.json: run " + std::to_string(i + 1) + ": "),
                  std::string::npos)
            << err.str();
        continue;
      }
      json report = lines[i];
      ASSERT_TRUE(report.contains("solver")) << "line " << i + 1 << ": " << report;
      report["solver"].erase("seconds");
      EXPECT_EQ(report, reportOf(expected[next++])) << "line " << i + 1;
    }
    EXPECT_NE(err.str().find("15 runs, 12 reports, 3 errors"), std::string::npos) << err.str();
  }
  // Relative paths are the list's folder's; every run gives a report: exit code 0.
  std::ifstream spar(examples + "/spar/spar.txt");
  std::ostringstream text;
  text << spar.rdbuf();
  folder.write("spar.txt", text.str());
  folder.write("FourPillars.txt",
               "#1:\n0,0,0\n0,0,200\n#2:\n1,0,0\n1,0,200\n#3:\n1,1,0\n1,1,200\n"
               "#4:\n0,1,0\n0,1,200\n");
  const std::string relative = folder.write("relative.json", R"([{"body": "spar.txt"}])");
  std::ostringstream out, err;
  EXPECT_EQ(runBatch(BatchOptions{relative, "-", 0}, out, err), 0) << err.str();
  const json line = json::parse(out.str());
  EXPECT_EQ(fs::path(line["input"]["setFile"].get<std::string>()),
            fs::path(folder.path()) / "spar.txt");
  EXPECT_EQ(line["pillars"].size(), 4u);
}

TEST(Batch, ListsThatCannotBeReadEndTheBatch) {
  const TempFolder folder("batch_bad");
  const std::pair<std::string, const char*> cases[] = {
      {folder.path() + "/none.json", "cannot open the list"},
      {folder.write("text.json", "[a, b"), "text.json: line 1: "},
      {folder.write("map.json", R"({"runs": ["a", "b"]})"), "expected a list of runs"},
      {folder.write("number.json", "{\"cases\": 3}"), "expected a list of runs"},
  };
  for (const auto& [list, message] : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(runBatch(BatchOptions{list, folder.path() + "/out.jsonl", 1}, out, err), 1);
    EXPECT_NE(err.str().find(message), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(folder.path() + "/out.jsonl"));
  }
}

TEST(Batch, CommandLineTakesOnlyItsOwnOptions) {
  using A = CommandLine::Action;
  const std::pair<std::vector<const char*>, A> cases[] = {
      {{"--batch", "l.json", "--json-lines", "o.jsonl"}, A::Batch},
      {{"--batch", "l.json", "--json-lines", "-", "--jobs", "3"}, A::Batch},
      {{"--batch", "l.json"}, A::UsageError},
      {{"--json-lines", "o.jsonl"}, A::UsageError},
      {{"--jobs", "2", "body.txt"}, A::UsageError},
      {{"--batch", "l.json", "--json-lines", "o", "--jobs", "0"}, A::UsageError},
      {{"--batch", "l.json", "--json-lines", "o", "body.txt"}, A::UsageError},
      {{"--batch", "l.json", "--json-lines", "o", "--method", "newton"}, A::UsageError},
  };
  for (const auto& [args, action] : cases) {
    std::vector<const char*> argv{"floatstate"};
    argv.insert(argv.end(), args.begin(), args.end());
    const CommandLine c = parseCommandLine(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(c.action, action) << args.back() << ": " << c.error;
    if (action == A::Batch) {
      EXPECT_EQ(c.batch.listFile, "l.json");
      EXPECT_EQ(c.batch.jobs, args.size() > 4 ? 3 : 0);
    }
  }
}

}  // namespace
