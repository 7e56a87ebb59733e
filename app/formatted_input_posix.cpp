#include "app/formatted_input.h"

#include <cstdarg>

int scanDoubles(std::FILE* file, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int stored = std::vfscanf(file, format, args);
  va_end(args);
  return stored;
}
