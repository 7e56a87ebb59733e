#pragma once

#include <cstdio>

// Formatted input of numbers that reads the same bits on every system. The format holds literal
// text, white space and "%lf" conversions only, one double* argument for each; the result is
// fscanf's: the number of doubles stored, or EOF when the input ended before the first.
//
// On POSIX systems this is fscanf itself, whose conversion is strtod's. The Windows runtime's scanf
// rounds some decimal numbers differently from its own strtod and from the C library of Linux
// (about two in ten thousand numbers of ten digits), so there the format is walked piece by piece
// and each number collected as the C library of Linux collects it, then converted with strtod.
int scanDoubles(std::FILE* file, const char* format, ...) __attribute__((format(scanf, 2, 3)));
