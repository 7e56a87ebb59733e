#pragma once

#include <iosfwd>

// The console as the computing layers see it: one output stream for the program's messages and
// progress lines, one input stream for the user's answers, and whether a message may wait for the
// user. Everything below the program's front end talks to the user through here and nowhere else,
// so the front end (or a test) can send the texts elsewhere in one place. Texts are written as
// given, byte for byte (Chinese texts are GBK bytes).
//
// The settings below belong to the calling thread: every thread starts with standard output and
// input, no waiting, Chinese texts and the progress lines shown, and what one thread sets never
// reaches another. The evaluations' worker threads write nothing here.
namespace console {

// Standard output and standard input unless redirected.
std::ostream& out();
std::istream& in();

// Standard output and standard error of one run unless redirected: the console's texts go to
// out(), which may be standard error while a report takes standard output; the front end's
// findings, notes and faults go to err(). The computing layers write to neither; the front end's
// steps do, so that a run on another thread (a batch's, a library's) sends them where its caller
// wants. Null restores the process's own.
std::ostream& standardOut();
std::ostream& err();
void redirectStandard(std::ostream* output, std::ostream* errors);

// Sends the console to other streams (not owned; they must outlive their use); null restores
// standard output or standard input.
void redirect(std::ostream* output, std::istream* input);

// A wait for the user only makes sense when someone is reading the screen and can answer: the
// front end allows it when standard input and standard output are both terminals. Off by default,
// so that the library never blocks a caller that did not ask for it.
void allowWaiting(bool allowed);
bool waitingAllowed();

// Reads one character when waiting is allowed (normally the Enter key after a message).
void waitForUser();

// The language of the console texts. Each layer keeps its texts in one table per language and
// takes the table of the language set here; Chinese (GBK bytes) unless the front end asks for
// another. A new language is one more name here and one more table in each layer.
enum class Language { kChinese, kEnglish };
void setLanguage(Language language);
Language language();

// The table of the current language among a layer's tables.
template <class Texts>
const Texts& inLanguage(const Texts& chinese, const Texts& english) {
  return language() == Language::kEnglish ? english : chinese;
}

// The progress lines (the iteration's step lines) are written unless the front end turns them
// off; the header and the result lines are always written.
void showProgress(bool shown);
bool progressShown();

// Internal consistency checks of the elements: the message on its own line, flushed, then the
// wait for the user before the run goes on.
void reportAndWait(const char* message);

}  // namespace console
