#include "app/case_tree.h"

#ifdef FLOATSTATE_HAVE_YAML

#include <yaml-cpp/depthguard.h>
#include <yaml-cpp/yaml.h>

namespace {

// yaml-cpp counts lines from 0 and gives a null value written as nothing (`key:`) no mark; such
// a node takes the line of the node that holds it.
long lineOf(const YAML::Node& node, long fallback) {
  const int line = node.Mark().line;
  return line >= 0 ? line + 1 : fallback;
}

CaseNode toTree(const YAML::Node& node, long fallback) {
  CaseNode tree;
  tree.line = lineOf(node, fallback);
  switch (node.Type()) {
    case YAML::NodeType::Scalar:
      tree.kind = CaseNode::Kind::kScalar;
      tree.scalar = node.Scalar();
      // A plain scalar has the tag "?", a quoted one "!".
      tree.quoted = node.Tag() == "!";
      break;
    case YAML::NodeType::Sequence:
      tree.kind = CaseNode::Kind::kSequence;
      for (const YAML::Node& item : node)
        tree.items.push_back(toTree(item, tree.line));
      break;
    case YAML::NodeType::Map:
      tree.kind = CaseNode::Kind::kMap;
      for (const auto& entry : node)
        tree.entries.emplace_back(toTree(entry.first, tree.line), toTree(entry.second, tree.line));
      break;
    case YAML::NodeType::Null:
    case YAML::NodeType::Undefined:
      break;
  }
  return tree;
}

}  // namespace

bool parseCaseText(const std::string& text, CaseNode& root, long& errorLine, std::string& error) {
  try {
    root = toTree(YAML::Load(text), 1);
    return true;
  } catch (const YAML::DeepRecursion& e) {
    // The library stops descending at a depth no case file comes near.
    errorLine = e.mark.line >= 0 ? e.mark.line + 1 : 0;
    error = "nested too deeply";
    return false;
  } catch (const YAML::Exception& e) {
    errorLine = e.mark.line >= 0 ? e.mark.line + 1 : 0;
    error = e.msg;
    return false;
  }
}

bool yamlCaseFilesSupported() {
  return true;
}

#else

#include "app/case_json.h"

bool yamlCaseFilesSupported() {
  return false;
}

// Without the YAML library a case file must be JSON, which YAML contains.
bool parseCaseText(const std::string& text, CaseNode& root, long& errorLine, std::string& error) {
  if (parseCaseJson(text, root, errorLine, error))
    return true;
  error +=
      " (this build of floatstate reads case files in JSON only: it was built without the "
      "YAML library)";
  return false;
}

#endif
