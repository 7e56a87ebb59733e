#pragma once

#include <string>
#include <utility>
#include <vector>

// A case file's document as a tree that knows the line of every node: what the checks of
// case_file.cpp read, whichever reader made it. Lines count from 1.
struct CaseNode {
  enum class Kind { kNull, kScalar, kSequence, kMap };
  Kind kind = Kind::kNull;
  long line = 0;
  std::string scalar;
  bool quoted = false;          // a scalar written in quotes: text, never a number
  std::vector<CaseNode> items;  // a sequence's, in order
  std::vector<std::pair<CaseNode, CaseNode>> entries;  // a map's keys and values, in file order
};

// Parses a case file's text, YAML (of which JSON is a part), into the tree. False on a syntax
// error, with the line (0: none) and the reader's reason. A build without the YAML library reads
// JSON only (case_json.h), and says so when the text is not JSON.
bool parseCaseText(const std::string& text, CaseNode& root, long& errorLine, std::string& error);
// Whether this build reads YAML case files (it has the YAML library), or JSON ones only.
bool yamlCaseFilesSupported();
