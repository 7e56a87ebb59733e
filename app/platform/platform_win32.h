#pragma once

#include <cstddef>
#include <string>

// The pieces of the Windows platform layer that decide without a desktop, so that they can be
// tested anywhere the executable runs.

// Whether someone at a console can answer the program's waits (the final pause, the wait after
// an error message), from what standard input is (its file type, GetFileType, and whether it is a
// console, GetConsoleMode) and whether standard output is a console. Only a console on both sides
// waits; a file, a pipe or a character device that is no console (the NUL device) never does.
bool waitsForTheUser(unsigned long inputFileType, bool inputIsConsole, bool outputIsConsole);

// The folder part of `path` and the path of `name` in that folder, as directoryOf and
// pathInSameFolder, for a path in the code page `codePage`.
std::string directoryInCodePage(const std::string& path, unsigned codePage);
std::string pathInSameFolderInCodePage(const std::string& filePath, const std::string& name,
                                       unsigned codePage);
