#include "elements/console.h"

#include <iostream>

namespace console {
namespace {
std::ostream* output = nullptr;
std::istream* input = nullptr;
bool waiting = false;
Language textLanguage = Language::kChinese;
bool progress = true;
}  // namespace

std::ostream& out() {
  return output ? *output : std::cout;
}

std::istream& in() {
  return input ? *input : std::cin;
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
