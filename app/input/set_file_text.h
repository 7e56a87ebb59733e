#pragma once

#include <cstddef>

#include "app/input/input_warnings.h"
#include "elements/floating_body.h"

// A SET file held whole in memory, read without the stream when it is written the usual way:
// the four header lines, then blocks whose keyword lines stand alone (LF or CR LF) and whose
// numbers are decimals, with white space wherever the formatted input passes over it. Such a file
// gives the body exactly what the stream's formatted reading gives it (the same elements in the
// same order, every number with the same bits): true. Anything else (a line the stream would skip
// or warn about, a fault, a number written otherwise, such as "inf" or in hexadecimal) gives
// false and leaves the body as it was, for the stream's reading to take with its messages.
//
// A large file is read in two halves side by side, split at a keyword line. The arrays grow as
// the blocks are read, so that the memory follows the elements the file holds. Where coneSeen is
// given, it tells whether some cylinder's second radius differs from its first. Without
// twoHalves the whole file is read on the calling thread. Where `notes` is given, it receives what
// the checks would otherwise find out again (see ReadingNotes).
bool readUsualSetFile(const char* text, std::size_t size, FloatingBody& body,
                      bool* coneSeen = nullptr, bool twoHalves = true,
                      ReadingNotes* notes = nullptr);
