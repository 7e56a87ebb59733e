#pragma once

#include <cstddef>
#include <cstdio>

// Formatted input of numbers that reads the same bits on every system. The format holds literal
// text, white space and "%lf" conversions only, one double* argument for each; the result is
// fscanf's: the number of doubles stored, or EOF when the input ended before the first.
//
// It takes the characters that fscanf of the C library of Linux takes and converts them as its
// strtod does, on every system: the Windows runtime's scanf rounds some decimal numbers
// differently (about two in ten thousand numbers of ten digits), and fscanf itself is slow.
int scanDoubles(std::FILE* file, const char* format, ...) __attribute__((format(scanf, 2, 3)));

// Converts the characters text[0, size) that "%lf" took for a decimal number, with the same bits:
// false when they start with no number. text[size] must be '\0'.
bool convertDecimal(const char* text, std::size_t size, double& value);

// Holds a stream's lock for a whole reading. Each call above takes the lock again, which costs an
// atomic operation per line unless the reader already holds it: both C runtimes' stream locks
// count their owner's nested locks without one.
class StreamLock {
 public:
  explicit StreamLock(std::FILE* file);
  ~StreamLock();
  StreamLock(const StreamLock&) = delete;
  StreamLock& operator=(const StreamLock&) = delete;

 private:
  std::FILE* file_;
};
