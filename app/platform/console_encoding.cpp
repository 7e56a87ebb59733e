#include "app/platform/console_encoding.h"

#include <cstdlib>
#include <iostream>
#include <ostream>

namespace {

struct StreamLayer {
  std::ostream* stream;
  std::streambuf* original;
  std::unique_ptr<ConsoleLayer> layer;
};

StreamLayer layers[3] = {
    {&std::cout, nullptr, nullptr}, {&std::cerr, nullptr, nullptr}, {&std::clog, nullptr, nullptr}};
bool exitHandlerRegistered = false;

void uninstallAtExit() {
  uninstallConsoleEncoding();
}

}  // namespace

bool installConsoleLayers(ConsoleLayerFactory makeLayer) {
  // Registered after the standard streams exist (and after whatever the factory set up on first
  // use), so it runs before either is torn down at exit.
  if (!exitHandlerRegistered) {
    exitHandlerRegistered = std::atexit(uninstallAtExit) == 0;
  }
  for (StreamLayer& entry : layers) {
    if (entry.layer != nullptr) {
      continue;
    }
    entry.stream->flush();
    std::streambuf* original = entry.stream->rdbuf();
    entry.layer = makeLayer(*entry.stream, original);
    if (entry.layer != nullptr) {
      entry.original = original;
      entry.stream->rdbuf(entry.layer.get());
    }
  }
  return consoleEncodingInstalled();
}

void uninstallConsoleEncoding() {
  for (StreamLayer& entry : layers) {
    if (entry.layer == nullptr) {
      continue;
    }
    entry.layer->finish();
    entry.stream->rdbuf(entry.original);
    entry.layer.reset();
    entry.original = nullptr;
  }
}

bool consoleEncodingInstalled() {
  for (const StreamLayer& entry : layers) {
    if (entry.layer != nullptr) {
      return true;
    }
  }
  return false;
}

void writeUnconverted(std::ostream& stream, const std::string& text) {
  const std::ostream::sentry ready(stream);
  if (!ready) {
    return;
  }
  auto* layer = dynamic_cast<ConsoleLayer*>(stream.rdbuf());
  const bool written =
      layer != nullptr
          ? layer->writeUnconverted(text.data(), text.size())
          : stream.rdbuf()->sputn(text.data(), static_cast<std::streamsize>(text.size())) ==
                static_cast<std::streamsize>(text.size());
  if (!written) {
    stream.setstate(std::ios::badbit);
  }
}
