#include "elements/console_check.h"

#include <iostream>

void reportAndWait(const char* message) {
  std::cout << message << std::endl;
  std::cin.get();
}
