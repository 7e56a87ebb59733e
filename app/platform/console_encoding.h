#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <streambuf>
#include <string>

// Every text of the program is stored and written as GBK (code page 936) bytes. A console that
// expects GBK gets them unchanged; any other console gets them converted by a layer that sits
// between std::cout / std::cerr / std::clog and their original buffers, so that code writing to
// those streams never needs to know which encoding the console uses. Each system decides in
// installConsoleEncoding which streams need the layer and what it converts to: UTF-8 for a UTF-8
// locale on POSIX systems (console_encoding_posix.h), UTF-16 for a Windows console whose output
// code page is not 936 (console_encoding_win32.h).

// The conversion layer on one standard stream.
class ConsoleLayer : public std::streambuf {
 public:
  // Settles a character left incomplete (shown as U+FFFD) and flushes what lies below.
  virtual void finish() = 0;
  // Writes text that is already in the system's own encoding (a path, a command-line argument)
  // without taking it for GBK, after settling an incomplete character.
  virtual bool writeUnconverted(const char* bytes, std::size_t size) = 0;
};

// Makes the layer for one of the three streams, whose current buffer is `original`; returns null
// when that stream needs none.
using ConsoleLayerFactory = std::unique_ptr<ConsoleLayer> (*)(std::ostream& stream,
                                                              std::streambuf* original);

// Decides for this system and console which streams get a layer, installs them and returns
// whether any was installed. Call once, early in main.
bool installConsoleEncoding();

// Puts the layers `makeLayer` gives on std::cout, std::cerr and std::clog. A stream that has a
// layer already keeps it. Returns whether any stream has a layer afterwards. At exit the layers
// remove themselves, so that the final flush of the streams finds their original buffers.
bool installConsoleLayers(ConsoleLayerFactory makeLayer);

// Settles and flushes the layers and gives the three streams back their original buffers.
void uninstallConsoleEncoding();

bool consoleEncodingInstalled();

// Writes text that is already in the console's own encoding, such as a path or an argument typed
// by the user, so that the conversion layer, if it is on `stream`, leaves it untouched.
void writeUnconverted(std::ostream& stream, const std::string& text);
