#include "app/case_file.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A valid case around which the error cases vary one line.
const std::string kWeights = "weights:\n  - {name: hull, mass: 100, x: 1, y: 2, z: 3}\n";

std::string errorOf(const std::string& text) {
  try {
    readCaseText("dir/ship.yaml", text);
  } catch (const CaseError& e) {
    return e.what();
  }
  return "";
}

TEST(CaseFile, ErrorsNameTheLineAndTheKey) {
  if (!yamlCaseFilesSupported())
    GTEST_SKIP() << "built without the YAML library";
  const struct {
    const char* what;
    std::string text;
    std::string message;  // the whole message
  } cases[] = {
      {"unknown key", "body: h.set\n" + kWeights + "water: 1\n",
       "dir/ship.yaml: line 4: water: unknown key (the keys here: body, pillars, marks, "
       "water_density, weights, tanks, compartments, heeling_moments, lpp, windage, "
       "bilge_keel_area, openings, wind_heeling_arm)"},
      {"missing required key", "body: h.set\n",
       "dir/ship.yaml: line 1: weights: missing: this key is required"},
      {"empty weights", "body: h.set\nweights: []\n",
       "dir/ship.yaml: line 2: weights: at least 1 entry is needed"},
      {"text for a number", "body: h.set\nweights:\n  - {name: a, mass: heavy, x: 1, y: 2, z: 3}\n",
       "dir/ship.yaml: line 3: weights[0].mass: expected a finite number, found \"heavy\""},
      {"quoted number", "body: h.set\nweights:\n  - {name: a, mass: '100', x: 1, y: 2, z: 3}\n",
       "dir/ship.yaml: line 3: weights[0].mass: expected a finite number, found \"100\""},
      {"infinite number",
       "body: h.set\n" + kWeights +
           "heeling_moments:\n  - {name: m, moment: .inf, direction: heel}\n",
       "dir/ship.yaml: line 5: heeling_moments[0].moment: expected a finite number, found "
       "\".inf\""},
      {"list for a number", "body: h.set\nweights:\n  - {name: a, mass: [1], x: 1, y: 2, z: 3}\n",
       "dir/ship.yaml: line 3: weights[0].mass: expected a number, found a list"},
      {"negative mass", "body: h.set\nweights:\n  - {name: a, mass: -5, x: 1, y: 2, z: 3}\n",
       "dir/ship.yaml: line 3: weights[0].mass: -5 is out of range (above 0 t)"},
      {"zero water density", "body: h.set\n" + kWeights + "water_density: 0\n",
       "dir/ship.yaml: line 4: water_density: 0 is out of range (above 0 t/m^3)"},
      {"missing weight key", "body: h.set\nweights:\n  - {name: a, mass: 5, x: 1, y: 2}\n",
       "dir/ship.yaml: line 3: weights[0].z: missing: this key is required"},
      {"body as a list", "body: [a, b]\n" + kWeights,
       "dir/ship.yaml: line 1: body: expected a text, found a list"},
      {"body of both kinds", "body: {set: a.set, mesh: a.stl}\n" + kWeights,
       "dir/ship.yaml: line 1: body: more than one body file: give exactly one of set, mesh"},
      {"tank without density",
       "body: h.set\n" + kWeights + "tanks:\n  - {name: T, box: [0, 1, 0, 1, 0, 1], fill: 0.5}\n",
       "dir/ship.yaml: line 5: tanks[0].density: missing: this key is required"},
      {"fill above one",
       "body: h.set\n" + kWeights +
           "tanks:\n  - name: T\n    box: [0, 1, 0, 1, 0, 1]\n    density: 1\n    fill: 1.2\n",
       "dir/ship.yaml: line 8: tanks[0].fill: 1.2 is out of range (0 to 1 of the capacity)"},
      {"two contents",
       "body: h.set\n" + kWeights +
           "tanks:\n  - {name: T, box: [0, 1, 0, 1, 0, 1], density: 1, fill: 1, mass: 1}\n",
       "dir/ship.yaml: line 5: tanks[0]: more than one content: give exactly one of fill, volume, "
       "mass"},
      {"no solid", "body: h.set\n" + kWeights + "tanks:\n  - {name: T, density: 1, fill: 1}\n",
       "dir/ship.yaml: line 5: tanks[0]: missing solid: give exactly one of box, set, mesh"},
      {"volume above the capacity",
       "body: h.set\n" + kWeights +
           "tanks:\n  - {name: T, box: [0, 2, 0, 1, 0, 1], density: 1, volume: 1.9, "
           "permeability: 0.9}\n",
       "dir/ship.yaml: line 5: tanks[0].volume: 1.9 is out of range (0 to the capacity, 1.8 m^3)"},
      {"mass above the capacity",
       "body: h.set\n" + kWeights +
           "tanks:\n  - {name: T, box: [0, 2, 0, 1, 0, 1], density: 0.5, mass: 1.1}\n",
       "dir/ship.yaml: line 5: tanks[0].mass: 1.1 is out of range (0 to the capacity 2 m^3 x the "
       "density, 1 t)"},
      {"box of five numbers",
       "body: h.set\n" + kWeights + "compartments:\n  - {name: C, box: [0, 1, 0, 1, 0]}\n",
       "dir/ship.yaml: line 5: compartments[0].box: expected 6 numbers [x1, x2, y1, y2, z1, z2], "
       "found 5"},
      {"box without size",
       "body: h.set\n" + kWeights + "compartments:\n  - {name: C, box: [0, 1, 2, 2, 0, 1]}\n",
       "dir/ship.yaml: line 5: compartments[0].box: y1 must lie below y2 (a box needs a size)"},
      {"permeability zero",
       "body: h.set\n" + kWeights +
           "compartments:\n  - {name: C, box: [0, 1, 0, 1, 0, 1], permeability: 0}\n",
       "dir/ship.yaml: line 5: compartments[0].permeability: 0 is out of range (above 0, at most "
       "1)"},
      {"unknown direction",
       "body: h.set\n" + kWeights + "heeling_moments:\n  - {name: m, moment: 5, direction: roll}\n",
       "dir/ship.yaml: line 5: heeling_moments[0].direction: expected heel or trim, found "
       "\"roll\""},
      {"key given twice", "body: h.set\n" + kWeights + "body: g.set\n",
       "dir/ship.yaml: line 4: body: given twice (first at line 1)"},
      {"missing tank file",
       "body: h.set\n" + kWeights +
           "tanks:\n  - {name: T, set: no-such-tank.set, density: 1, fill: 0.5}\n",
       "dir/ship.yaml: line 5: tanks[0].set: cannot open SET file 'dir/no-such-tank.set': No "
       "such file or directory"},
      {"empty file", "",
       "dir/ship.yaml: line 1: the case file is empty: it needs at least body "
       "and weights"},
      {"not a mapping", "- a\n- b\n",
       "dir/ship.yaml: line 1: expected a mapping of keys, found a list"},
      {"lpp zero", "body: h.set\n" + kWeights + "lpp: 0\n",
       "dir/ship.yaml: line 4: lpp: 0 is out of range (above 0 m)"},
      {"windage without lever", "body: h.set\n" + kWeights + "windage: {area: 300}\n",
       "dir/ship.yaml: line 4: windage.lever: missing: this key is required"},
      {"windage with a zero area", "body: h.set\n" + kWeights + "windage: {area: 0, lever: 4}\n",
       "dir/ship.yaml: line 4: windage.area: 0 is out of range (above 0 m^2)"},
      {"windage with a negative lever",
       "body: h.set\n" + kWeights + "windage:\n  area: 300\n  lever: -2\n",
       "dir/ship.yaml: line 6: windage.lever: -2 is out of range (above 0 m)"},
      {"windage as a list", "body: h.set\n" + kWeights + "windage: [300, 4]\n",
       "dir/ship.yaml: line 4: windage: expected a mapping of keys, found a list"},
      {"negative bilge keel area", "body: h.set\n" + kWeights + "bilge_keel_area: -1\n",
       "dir/ship.yaml: line 4: bilge_keel_area: -1 is out of range (0 m^2 or more)"},
      {"opening without z",
       "body: h.set\n" + kWeights + "openings:\n  - {name: vent, x: 1, y: 2}\n",
       "dir/ship.yaml: line 5: openings[0].z: missing: this key is required"},
      {"opening with an unknown key",
       "body: h.set\n" + kWeights + "openings:\n  - {name: vent, x: 1, y: 2, z: 3, r: 1}\n",
       "dir/ship.yaml: line 5: openings[0].r: unknown key (the keys here: name, x, y, z)"},
      {"openings as a mapping", "body: h.set\n" + kWeights + "openings: {name: vent}\n",
       "dir/ship.yaml: line 4: openings: expected a list, found a mapping"},
      {"heeling arm row of three",
       "body: h.set\n" + kWeights + "wind_heeling_arm:\n  - [0, 0.3]\n  - [10, 0.3, 1]\n",
       "dir/ship.yaml: line 6: wind_heeling_arm[1]: expected 2 numbers [heel (deg), arm (m)], "
       "found 3"},
      {"heeling arm heels not increasing",
       "body: h.set\n" + kWeights +
           "wind_heeling_arm:\n  - [0, 0.3]\n  - [20, 0.3]\n  - [20, 0.2]\n",
       "dir/ship.yaml: line 7: wind_heeling_arm[2]: the heels must increase: 20 deg follows 20 "
       "deg"},
      {"heeling arm text", "body: h.set\n" + kWeights + "wind_heeling_arm: [[0, low]]\n",
       "dir/ship.yaml: line 4: wind_heeling_arm[0]: expected a finite number, found \"low\""},
      {"heeling arm empty", "body: h.set\n" + kWeights + "wind_heeling_arm: []\n",
       "dir/ship.yaml: line 4: wind_heeling_arm: at least 1 entry is needed"},
      {"heeling arm row as a number", "body: h.set\n" + kWeights + "wind_heeling_arm: [5]\n",
       "dir/ship.yaml: line 4: wind_heeling_arm[0]: expected a pair [heel (deg), arm (m)], found a "
       "value"},
      {"JSON with a bad value",
       "{\n  \"body\": \"h.set\",\n  \"weights\": [\n    {\"name\": \"a\", \"mass\": 0, \"x\": 0, "
       "\"y\": 0, \"z\": 0}\n  ]\n}\n",
       "dir/ship.yaml: line 4: weights[0].mass: 0 is out of range (above 0 t)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(errorOf(c.text), c.message);
  }
}

TEST(CaseFile, SyntaxErrorsNameTheirLine) {
  if (!yamlCaseFilesSupported())
    GTEST_SKIP() << "built without the YAML library";
  const std::string message = errorOf("body: h.set\nweights:\n  - {name: a, mass: 1\n");
  EXPECT_EQ(message.rfind("dir/ship.yaml: line 4: ", 0), 0u) << message;
  const std::string json = errorOf("{\n  \"body\": \"h.set\",\n  \"weights\": [1,,]\n}\n");
  EXPECT_EQ(json.rfind("dir/ship.yaml: line 3: ", 0), 0u) << json;
}

TEST(CaseFile, ReadsTheConditionWithItsDefaultsAndPaths) {
  if (!yamlCaseFilesSupported())
    GTEST_SKIP() << "built without the YAML library";
  const CaseInput in =
      readCaseText("dir/ship.yaml",
                   "body: {mesh: hull.stl}\nmarks: /abs/marks.csv\n" + kWeights +
                       "tanks:\n  - {name: T, box: [0, 2, 0, 1, 0, 1], density: 0.8, mass: 0.4}\n"
                       "compartments:\n  - {name: C, box: [0, 1, 0, 1, 0, 1]}\n"
                       "heeling_moments:\n  - {name: m, moment: -3.5, direction: trim}\n");
  EXPECT_TRUE(in.bodyIsMesh);
  EXPECT_EQ(in.bodyFile, "dir/hull.stl");
  EXPECT_EQ(in.marksFile, "/abs/marks.csv");
  EXPECT_FALSE(in.pillarFile.has_value());
  const LoadingCondition& c = in.condition;
  EXPECT_EQ(c.waterDensity, 1.025);
  ASSERT_EQ(c.weights.size(), 1u);
  EXPECT_EQ(c.weights[0].name, "hull");
  EXPECT_EQ(c.weights[0].centre, Vec3(1, 2, 3));
  ASSERT_EQ(c.tanks.size(), 1u);
  EXPECT_EQ(c.tanks[0].content, TankContent::kMass);
  EXPECT_EQ(c.tanks[0].amount, 0.4);
  EXPECT_EQ(c.tanks[0].permeability, 1);
  EXPECT_EQ(c.tanks[0].density, 0.8);
  ASSERT_EQ(c.compartments.size(), 1u);
  EXPECT_EQ(c.compartments[0].permeability, 1);
  ASSERT_EQ(c.heelingMoments.size(), 1u);
  EXPECT_EQ(c.heelingMoments[0].moment, -3.5);
  EXPECT_EQ(c.heelingMoments[0].direction, MomentDirection::kTrim);
}

// The booklet's keys: absent, nothing; given, their values, the openings in file order.
TEST(CaseFile, ReadsTheBookletKeys) {
  if (!yamlCaseFilesSupported())
    GTEST_SKIP() << "built without the YAML library";
  const CaseInput bare = readCaseText("dir/ship.yaml", "body: h.set\n" + kWeights);
  EXPECT_FALSE(bare.lpp || bare.windage || bare.bilgeKeelArea || bare.windHeelingArm);
  EXPECT_TRUE(bare.openings.empty());
  const CaseInput in = readCaseText(
      "dir/ship.yaml", "body: h.set\n" + kWeights +
                           "lpp: 38.5\nwindage: {area: 310, lever: 4.25}\nbilge_keel_area: 0\n"
                           "openings:\n  - {name: vent, x: 20, y: -5, z: 7.5}\n"
                           "  - {name: hatch, x: 30, y: 0, z: 8}\n"
                           "wind_heeling_arm: [[0, 0.3], [30, 0.25], [60, 0.1]]\n");
  EXPECT_EQ(in.lpp, 38.5);
  ASSERT_TRUE(in.windage.has_value());
  EXPECT_EQ(in.windage->area, 310);
  EXPECT_EQ(in.windage->lever, 4.25);
  EXPECT_EQ(in.bilgeKeelArea, 0.0);
  ASSERT_EQ(in.openings.size(), 2u);
  EXPECT_EQ(in.openings[0].name, "vent");
  EXPECT_EQ(in.openings[0].point, Vec3(20, -5, 7.5));
  EXPECT_EQ(in.openings[1].name, "hatch");
  ASSERT_TRUE(in.windHeelingArm.has_value());
  EXPECT_EQ(in.windHeelingArm->rows().size(), 3u);
  EXPECT_EQ(in.windHeelingArm->at(45), 0.175);
}

}  // namespace
