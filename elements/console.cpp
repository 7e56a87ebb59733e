#include "elements/console.h"

#include <iostream>

namespace console {
namespace {
// Each thread has its own console: runs on several threads at once (a batch, a library's callers)
// each send their texts to their own streams in their own language. A new thread starts with the
// defaults below, as the program's main thread does.
thread_local std::ostream* output = nullptr;
thread_local std::istream* input = nullptr;
thread_local std::ostream* standardOutput = nullptr;
thread_local std::ostream* errors = nullptr;
thread_local bool waiting = false;
thread_local Language textLanguage = Language::kChinese;
thread_local bool progress = true;
}  // namespace

std::ostream& out() {
  return output ? *output : std::cout;
}

std::istream& in() {
  return input ? *input : std::cin;
}

std::ostream& standardOut() {
  return standardOutput ? *standardOutput : std::cout;
}

std::ostream& err() {
  return errors ? *errors : std::cerr;
}

void redirectStandard(std::ostream* newOutput, std::ostream* newErrors) {
  standardOutput = newOutput;
  errors = newErrors;
}

void redirect(std::ostream* newOutput, std::istream* newInput) {
  output = newOutput;
  input = newInput;
}

void allowWaiting(bool allowed) {
  waiting = allowed;
}

bool waitingAllowed() {
  return waiting;
}

void setLanguage(Language newLanguage) {
  textLanguage = newLanguage;
}

Language language() {
  return textLanguage;
}

void showProgress(bool shown) {
  progress = shown;
}

bool progressShown() {
  return progress;
}

void waitForUser() {
  if (waiting)
    in().get();
}

void reportAndWait(const char* message) {
  out() << message << std::endl;
  waitForUser();
}

}  // namespace console
