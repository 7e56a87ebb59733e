#include "app/case_json.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/case_file.h"

namespace {

std::string sourceFile(const std::string& path) {
  const char* root = std::getenv("FLOATSTATE_SOURCE_DIR");
  std::ifstream in(std::string(root ? root : ".") + "/" + path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The two trees agree node for node: kind, line, text and quoting.
void expectSameTree(const CaseNode& a, const CaseNode& b, const std::string& where) {
  SCOPED_TRACE(where);
  ASSERT_EQ(static_cast<int>(a.kind), static_cast<int>(b.kind));
  EXPECT_EQ(a.line, b.line);
  EXPECT_EQ(a.scalar, b.scalar);
  EXPECT_EQ(a.quoted, b.quoted);
  ASSERT_EQ(a.items.size(), b.items.size());
  for (std::size_t i = 0; i < a.items.size(); ++i)
    expectSameTree(a.items[i], b.items[i], where + "[" + std::to_string(i) + "]");
  ASSERT_EQ(a.entries.size(), b.entries.size());
  for (std::size_t i = 0; i < a.entries.size(); ++i) {
    expectSameTree(a.entries[i].first, b.entries[i].first, where + " key " + std::to_string(i));
    expectSameTree(a.entries[i].second, b.entries[i].second,
                   where + "." + a.entries[i].first.scalar);
  }
}

// The JSON reader of the build without YAML gives the tree yaml-cpp gives for the same text.
TEST(CaseJson, ReadsJsonAsTheYamlReaderDoes) {
  if (!yamlCaseFilesSupported())
    GTEST_SKIP() << "built without the YAML library";
  const std::string texts[] = {
      sourceFile("examples/flooded_barge/case.json"),
      sourceFile("examples/semi_ballast/case.json"),
      "{\"a\": [], \"b\": {}, \"c\": null,\n \"d\": [1, -2.5e3, true, false],\n"
      "\"e\": \"tab\\tquote\\\" \\u00e9\\u4e2d slash\\\\\"}",
      "[\n  {\n    \"x\":\n      [1,\n 2]\n  }\n]\n",
      "\"just text\"",
  };
  for (const std::string& text : texts) {
    CaseNode json, yaml;
    long line = 0;
    std::string error;
    ASSERT_TRUE(parseCaseJson(text, json, line, error)) << error << " at line " << line;
    ASSERT_TRUE(parseCaseText(text, yaml, line, error)) << error;
    expectSameTree(json, yaml, "root");
  }
}

// yaml-cpp reads no surrogate pairs; a character beyond the first plane comes out as its four
// UTF-8 bytes.
TEST(CaseJson, SurrogatePairsBecomeOneCharacter) {
  CaseNode root;
  long line = 0;
  std::string error;
  ASSERT_TRUE(parseCaseJson("[\"\\ud83d\\ude00\"]", root, line, error)) << error;
  ASSERT_EQ(root.items.size(), 1u);
  EXPECT_EQ(root.items[0].scalar, "\xf0\x9f\x98\x80");
}

TEST(CaseJson, SyntaxErrorsNameTheirLine) {
  const struct {
    std::string text;
    long line;
    std::string error;
  } cases[] = {
      {"{\n  \"a\": 1\n  \"b\": 2\n}", 3, "expected ',' or '}' in the object"},
      {"{\n  \"a\": [1, 2\n}", 3, "expected ',' or ']' in the list"},
      {"{\n  \"a\": \"open\n}", 2, "a text ends at the end of its line without its closing quote"},
      {"{\"a\": yes}", 1, "'yes' is not a JSON value"},
      {"{\"a\": 1}\n\n{", 3, "unexpected text after the document's end"},
      {"{\n  a: 1\n}", 2, "expected a key in double quotes"},
      {"{\"a\" 1}", 1, "expected ':' after the key"},
      {"{\"a\": \"\\q\"}", 1, "unknown escape \\q"},
      {"{\"a\": \"\\u12\"}", 1, "a \\u escape needs four hexadecimal digits"},
      {"{\"a\":", 1, "the document ends where a value is expected"},
      {std::string(100, '[') + std::string(100, ']'), 1, "nested too deeply"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    CaseNode root;
    long line = 0;
    std::string error;
    EXPECT_FALSE(parseCaseJson(c.text, root, line, error));
    EXPECT_EQ(line, c.line);
    EXPECT_EQ(error, c.error);
  }
}

// The first lines of a valid JSON case, to which a case adds its key and closes the object.
const std::string kJsonHead =
    "{\n  \"body\": \"h.set\",\n  \"weights\": [\n    {\"name\": \"a\", \"mass\": 5, \"x\": 0, "
    "\"y\": 0, \"z\": 0}\n  ],\n";

// A JSON case file reads the same in every build, the one without YAML included.
TEST(CaseJson, JsonCaseErrorsNameTheLineAndTheKeyInEveryBuild) {
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {"{\n  \"body\": \"h.set\",\n  \"weights\": [\n    {\"name\": \"a\", \"mass\": 5, \"x\": 0, "
       "\"y\": 0, \"z\": 0}\n  ],\n  \"water_density\": -1\n}\n",
       "c.json: line 6: water_density: -1 is out of range (above 0 t/m^3)"},
      {"{\n  \"body\": \"h.set\",\n  \"wieghts\": []\n}\n",
       "c.json: line 3: wieghts: unknown key (the keys here: body, pillars, marks, water_density, "
       "weights, tanks, compartments, heeling_moments, lpp, windage, bilge_keel_area, openings, "
       "wind_heeling_arm)"},
      {kJsonHead + "  \"lpp\": -40\n}\n", "c.json: line 6: lpp: -40 is out of range (above 0 m)"},
      {kJsonHead + "  \"windage\": {\n    \"area\": 300,\n    \"lever\": \"high\"\n  }\n}\n",
       "c.json: line 8: windage.lever: expected a finite number, found \"high\""},
      {kJsonHead + "  \"bilge_keel_area\": -0.5\n}\n",
       "c.json: line 6: bilge_keel_area: -0.5 is out of range (0 m^2 or more)"},
      {kJsonHead + "  \"openings\": [\n    {\"name\": \"vent\", \"x\": 1, \"y\": 2}\n  ]\n}\n",
       "c.json: line 7: openings[0].z: missing: this key is required"},
      {kJsonHead + "  \"wind_heeling_arm\": [\n    [0, 0.3],\n    [-10, 0.2]\n  ]\n}\n",
       "c.json: line 8: wind_heeling_arm[1]: the heels must increase: -10 deg follows 0 deg"},
      {"{\n  \"body\": \"h.set\",\n  \"weights\": [{\"name\": \"a\", \"mass\": \"5\", \"x\": 0, "
       "\"y\": 0, \"z\": 0}]\n}\n",
       "c.json: line 3: weights[0].mass: expected a finite number, found \"5\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string message;
    try {
      readCaseText("c.json", c.text);
    } catch (const CaseError& e) {
      message = e.what();
    }
    EXPECT_EQ(message, c.message);
  }
  const CaseInput ok = readCaseText("d/c.json", sourceFile("examples/flooded_barge/case.json"));
  EXPECT_EQ(ok.bodyFile, "d/../pontoon_barge/pontoon_barge.txt");
  ASSERT_EQ(ok.condition.compartments.size(), 1u);
  EXPECT_EQ(ok.condition.compartments[0].permeability, 0.95);
}

}  // namespace
