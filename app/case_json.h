#pragma once

#include <string>

#include "app/case_tree.h"

// A case file in JSON, read without the YAML library (the Windows build's reader): objects become
// maps, arrays lists, strings quoted scalars, numbers, true and false plain scalars, null nothing,
// each node with its line, as the YAML reader gives them for the same text. False on a syntax
// error, with its line and reason.
bool parseCaseJson(const std::string& text, CaseNode& root, long& errorLine, std::string& error);
