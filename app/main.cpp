#include <iostream>
#include <new>

#include "app/command_line.h"
#include "app/console_driver.h"
#include "app/platform/console_encoding.h"
#include "app/platform/platform.h"
#include "elements/console.h"

int main(int argc, char** argv) {
  installConsoleEncoding();
  console::allowWaiting(consoleIsInteractive());
  const CommandLine commandLine = parseCommandLine(argc, argv);
  switch (commandLine.action) {
    case CommandLine::Action::Help:
      writeUsage(std::cout);
      return 0;
    case CommandLine::Action::Version:
      writeVersion(std::cout);
      return 0;
    case CommandLine::Action::UsageError:
      // The message quotes the arguments as they were typed, in the console's own encoding.
      writeUnconverted(std::cerr, "floatstate: " + commandLine.error + "\n");
      writeShortUsage(std::cerr);
      return 2;
    case CommandLine::Action::Batch:
      return runBatch(commandLine.batch, std::cout, std::cerr);
    case CommandLine::Action::Run:
      break;
  }
  try {
    return runConsoleDriver(commandLine.options);
  } catch (const std::bad_alloc&) {
    std::cout << "Out of memory: the body is too large for this machine." << std::endl;
    return 1;
  }
}
