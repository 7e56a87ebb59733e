#include "app/command_line.h"

#include <ostream>

namespace {
constexpr const char* kVersion = "1.0.0";
}

CommandLine parseCommandLine(int argc, const char* const* argv) {
  CommandLine result;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && (arg == "-h" || arg == "--help")) {
      return CommandLine{CommandLine::Action::Help, "", ""};
    } else if (!optionsEnded && arg == "--version") {
      return CommandLine{CommandLine::Action::Version, "", ""};
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      return CommandLine{CommandLine::Action::UsageError, "", "unknown option '" + arg + "'"};
    } else if (!result.setFile.empty()) {
      return CommandLine{CommandLine::Action::UsageError, "", "only one SET file can be given"};
    } else {
      result.setFile = arg;
    }
  }
  return result;
}

void writeUsage(std::ostream& out) {
  out << "Usage: floatstate [SETFILE]\n"
         "       floatstate --help | --version\n"
         "\n"
         "Finds the floating equilibrium of the body described in SETFILE (asked for on the\n"
         "console when not given) and reports the water plane, the centre of buoyancy and the\n"
         "draft at the four pillars of FourPillars.txt, read from the SET file's folder.\n"
         "\n"
         "Exit codes: 0 complete run, 1 an input file could not be read or the body cannot float,\n"
         "2 wrong command line.\n"
      << std::flush;
}

void writeVersion(std::ostream& out) {
  out << "floatstate " << kVersion << std::endl;
}
