#include "app/case_file.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <map>
#include <sstream>
#include <utility>

#include "app/input/input_scan.h"
#include "app/input/set_file_reader.h"
#include "app/mesh/mesh_reader.h"
#include "app/mesh/mesh_text.h"
#include "app/mesh/surface_check.h"
#include "app/platform/platform.h"

namespace {

using Kind = CaseNode::Kind;

const char* kindName(Kind kind) {
  switch (kind) {
    case Kind::kNull:
      return "nothing";
    case Kind::kScalar:
      return "a value";
    case Kind::kSequence:
      return "a list";
    case Kind::kMap:
      return "a mapping";
  }
  return "nothing";
}

// A map's values by key, after its keys were checked.
using Fields = std::map<std::string, const CaseNode*>;

class CaseChecker {
 public:
  explicit CaseChecker(const std::string& path) : path_(path) {}

  [[noreturn]] void fail(long line, const std::string& key, const std::string& reason) const {
    std::ostringstream message;
    message << path_ << ": line " << line << ": ";
    if (!key.empty())
      message << key << ": ";
    message << reason;
    throw CaseError(message.str());
  }

  // The entries of the map at `key`: every key known, none twice, the required ones there.
  Fields fields(const CaseNode& node, const std::string& key,
                std::initializer_list<const char*> known,
                std::initializer_list<const char*> required) const {
    expect(node, Kind::kMap, key, "a mapping of keys");
    Fields found;
    std::map<std::string, long> lines;
    for (const auto& [k, value] : node.entries) {
      const std::string name = k.kind == Kind::kScalar ? k.scalar : "";
      const std::string where = join(key, name);
      bool isKnown = false;
      for (const char* candidate : known)
        isKnown = isKnown || name == candidate;
      if (!isKnown) {
        std::string list;
        for (const char* candidate : known)
          list += std::string(list.empty() ? "" : ", ") + candidate;
        fail(k.line, where, "unknown key (the keys here: " + list + ")");
      }
      if (found.count(name) != 0)
        fail(k.line, where, "given twice (first at line " + std::to_string(lines[name]) + ")");
      found[name] = &value;
      lines[name] = k.line;
    }
    for (const char* name : required) {
      if (found.count(name) == 0)
        fail(node.line, join(key, name), "missing: this key is required");
    }
    return found;
  }

  void expect(const CaseNode& node, Kind kind, const std::string& key, const char* what) const {
    if (node.kind != kind)
      fail(node.line, key, std::string("expected ") + what + ", found " + kindName(node.kind));
  }

  double number(const CaseNode& node, const std::string& key) const {
    double value = 0;
    if (node.kind != Kind::kScalar || node.quoted ||
        !parseCoordinate(trimmed(node.scalar), value)) {
      fail(node.line, key,
           node.kind == Kind::kScalar
               ? "expected a finite number, found " + quotedWord(node.scalar)
               : std::string("expected a number, found ") + kindName(node.kind));
    }
    return value;
  }

  // A number within [lo, hi]; an open end excludes its bound.
  double numberIn(const CaseNode& node, const std::string& key, double lo, double hi, bool loOpen,
                  const std::string& range) const {
    const double v = number(node, key);
    if ((loOpen ? !(v > lo) : !(v >= lo)) || !(v <= hi))
      fail(node.line, key, std::string(trimmed(node.scalar)) + " is out of range (" + range + ")");
    return v;
  }

  std::string text(const CaseNode& node, const std::string& key) const {
    if (node.kind != Kind::kScalar || node.scalar.empty())
      fail(node.line, key,
           std::string("expected a text, found ") +
               (node.kind == Kind::kScalar ? "an empty one" : kindName(node.kind)));
    return node.scalar;
  }

  // A file named in the case: relative to the case file's folder unless absolute.
  std::string file(const CaseNode& node, const std::string& key) const {
    const std::string name = text(node, key);
    const bool absolute = name[0] == '/' || name[0] == '\\' || (name.size() > 1 && name[1] == ':');
    return absolute ? name : pathInSameFolder(path_, name);
  }

  static std::string join(const std::string& key, const std::string& name) {
    return key.empty() ? name : key + "." + name;
  }

 private:
  std::string path_;
};

// Exactly one of the keys is in the fields: its name, or a failure that lists them.
const char* oneOf(const CaseChecker& check, const Fields& f, const CaseNode& node,
                  const std::string& key, std::initializer_list<const char*> names,
                  const char* what) {
  const char* chosen = nullptr;
  int count = 0;
  std::string list;
  for (const char* name : names) {
    list += std::string(list.empty() ? "" : ", ") + name;
    if (f.count(name) != 0) {
      chosen = name;
      ++count;
    }
  }
  if (count != 1) {
    check.fail(node.line, key,
               std::string(count == 0 ? "missing " : "more than one ") + what +
                   ": give exactly one of " + list);
  }
  return chosen;
}

std::unique_ptr<FloatingBody> readSetSolid(const CaseChecker& check, const CaseNode& node,
                                           const std::string& key, const std::string& path,
                                           std::vector<std::string>& warnings) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr)
    check.fail(node.line, key, fileFailure("cannot open SET file", path.c_str(), errno));
  auto body = std::make_unique<FloatingBody>();
  SetFileError error;
  std::vector<SetFileWarning> readerWarnings;
  const bool ok = parseSetFile(file, *body, error, readerWarnings);
  std::fclose(file);
  if (!ok)
    check.fail(node.line, key, path + ": " + error.message);
  for (const SetFileWarning& w : readerWarnings)
    warnings.push_back(key + ": " + path + ": " + w.message);
  if (body->tetrahedronCount + body->hexahedronCount + body->prismCount + body->cylinderCount == 0)
    check.fail(node.line, key, path + " describes no elements");
  return body;
}

std::unique_ptr<FloatingBody> readMeshSolid(const CaseChecker& check, const CaseNode& node,
                                            const std::string& key, const std::string& path,
                                            std::vector<std::string>& warnings) {
  MeshFile mesh;
  MeshFileError readError;
  if (!readMeshFile(path, mesh, readError))
    check.fail(node.line, key, readError.message);
  SurfaceFindings findings;
  std::string error;
  std::vector<std::string> found;
  if (!checkSurface(mesh, findings, error, found))
    check.fail(node.line, key, error);
  for (const std::string& w : found)
    warnings.push_back(key + ": " + w);
  auto body = std::make_unique<FloatingBody>();
  body->surface = std::move(mesh.surface);
  body->boundingBox();
  return body;
}

// The solid of a tank or a compartment: a box, a SET file or a mesh; its volume must be positive.
std::unique_ptr<FloatingBody> readSolid(const CaseChecker& check, const Fields& f,
                                        const CaseNode& node, const std::string& key,
                                        std::vector<std::string>& warnings, double& volume) {
  const std::string kind = oneOf(check, f, node, key, {"box", "set", "mesh"}, "solid");
  const CaseNode& value = *f.at(kind);
  const std::string where = CaseChecker::join(key, kind);
  std::unique_ptr<FloatingBody> solid;
  if (kind == "box") {
    check.expect(value, Kind::kSequence, where, "a list [x1, x2, y1, y2, z1, z2]");
    if (value.items.size() != 6)
      check.fail(value.line, where,
                 "expected 6 numbers [x1, x2, y1, y2, z1, z2], found " +
                     std::to_string(value.items.size()));
    double b[6];
    for (int i = 0; i < 6; ++i)
      b[i] = check.number(value.items[static_cast<std::size_t>(i)], where);
    const char* axes[3] = {"x", "y", "z"};
    for (int a = 0; a < 3; ++a) {
      if (!(b[2 * a] < b[2 * a + 1]))
        check.fail(value.line, where,
                   std::string(axes[a]) + "1 must lie below " + axes[a] + "2 (a box needs a size)");
    }
    solid = boxSolid(b[0], b[1], b[2], b[3], b[4], b[5]);
  } else {
    const std::string path = check.file(value, where);
    solid = kind == "set" ? readSetSolid(check, value, where, path, warnings)
                          : readMeshSolid(check, value, where, path, warnings);
  }
  Vec3 centroid;
  volume = prepareSolid(*solid, centroid);
  if (!std::isfinite(volume) || !(volume > 0))
    check.fail(value.line, where, "the solid has no volume");
  return solid;
}

double permeability(const CaseChecker& check, const Fields& f, const std::string& key) {
  const auto it = f.find("permeability");
  return it == f.end()
             ? 1.0
             : check.numberIn(*it->second, key + ".permeability", 0, 1, true, "above 0, at most 1");
}

Weight readWeight(const CaseChecker& check, const CaseNode& node, const std::string& key) {
  const Fields f =
      check.fields(node, key, {"name", "mass", "x", "y", "z"}, {"name", "mass", "x", "y", "z"});
  Weight w;
  w.name = check.text(*f.at("name"), key + ".name");
  w.mass = check.numberIn(*f.at("mass"), key + ".mass", 0, HUGE_VAL, true, "above 0 t");
  w.centre = Vec3(check.number(*f.at("x"), key + ".x"), check.number(*f.at("y"), key + ".y"),
                  check.number(*f.at("z"), key + ".z"));
  return w;
}

Tank readTank(const CaseChecker& check, const CaseNode& node, const std::string& key,
              std::vector<std::string>& warnings) {
  const Fields f = check.fields(
      node, key,
      {"name", "box", "set", "mesh", "density", "fill", "volume", "mass", "permeability"},
      {"name", "density"});
  Tank tank;
  tank.name = check.text(*f.at("name"), key + ".name");
  tank.density =
      check.numberIn(*f.at("density"), key + ".density", 0, HUGE_VAL, true, "above 0 t/m^3");
  tank.permeability = permeability(check, f, key);
  double solidVolume = 0;
  tank.solid = readSolid(check, f, node, key, warnings, solidVolume);
  const double capacity = tankCapacity(tank, solidVolume);
  const std::string content = oneOf(check, f, node, key, {"fill", "volume", "mass"}, "content");
  const CaseNode& value = *f.at(content);
  const std::string where = key + "." + content;
  const double most = capacity * (1 + kFullTolerance);
  std::ostringstream range;
  range.precision(6);
  if (content == "fill") {
    tank.content = TankContent::kFill;
    tank.amount = check.numberIn(value, where, 0, 1, false, "0 to 1 of the capacity");
  } else if (content == "volume") {
    tank.content = TankContent::kVolume;
    range << "0 to the capacity, " << capacity << " m^3";
    tank.amount = check.numberIn(value, where, 0, most, false, range.str());
  } else {
    tank.content = TankContent::kMass;
    range << "0 to the capacity " << capacity << " m^3 x the density, " << capacity * tank.density
          << " t";
    tank.amount = check.numberIn(value, where, 0, most * tank.density, false, range.str());
  }
  return tank;
}

Compartment readCompartment(const CaseChecker& check, const CaseNode& node, const std::string& key,
                            std::vector<std::string>& warnings) {
  const Fields f =
      check.fields(node, key, {"name", "box", "set", "mesh", "permeability"}, {"name"});
  Compartment c;
  c.name = check.text(*f.at("name"), key + ".name");
  c.permeability = permeability(check, f, key);
  double volume = 0;
  c.solid = readSolid(check, f, node, key, warnings, volume);
  return c;
}

HeelingMoment readMoment(const CaseChecker& check, const CaseNode& node, const std::string& key) {
  const Fields f =
      check.fields(node, key, {"name", "moment", "direction"}, {"name", "moment", "direction"});
  HeelingMoment m;
  m.name = check.text(*f.at("name"), key + ".name");
  m.moment = check.number(*f.at("moment"), key + ".moment");
  const CaseNode& direction = *f.at("direction");
  const std::string d = check.text(direction, key + ".direction");
  if (d != "heel" && d != "trim")
    check.fail(direction.line, key + ".direction",
               "expected heel or trim, found " + quotedWord(direction.scalar));
  m.direction = d == "trim" ? MomentDirection::kTrim : MomentDirection::kHeel;
  return m;
}

Opening readOpening(const CaseChecker& check, const CaseNode& node, const std::string& key) {
  const Fields f = check.fields(node, key, {"name", "x", "y", "z"}, {"name", "x", "y", "z"});
  Opening o;
  o.name = check.text(*f.at("name"), key + ".name");
  o.point = Vec3(check.number(*f.at("x"), key + ".x"), check.number(*f.at("y"), key + ".y"),
                 check.number(*f.at("z"), key + ".z"));
  return o;
}

Windage readWindage(const CaseChecker& check, const CaseNode& node) {
  const Fields f = check.fields(node, "windage", {"area", "lever"}, {"area", "lever"});
  Windage w;
  w.area = check.numberIn(*f.at("area"), "windage.area", 0, HUGE_VAL, true, "above 0 m^2");
  w.lever = check.numberIn(*f.at("lever"), "windage.lever", 0, HUGE_VAL, true, "above 0 m");
  return w;
}

// [[heel, arm], ...]: pairs of numbers, the heels (degrees) increasing.
HeelingArmTable readHeelingArm(const CaseChecker& check, const CaseNode& node) {
  const std::string key = "wind_heeling_arm";
  check.expect(node, Kind::kSequence, key, "a list of [heel, arm] pairs");
  if (node.items.empty())
    check.fail(node.line, key, "at least 1 entry is needed");
  std::vector<std::pair<double, double>> rows;
  for (std::size_t i = 0; i < node.items.size(); ++i) {
    const CaseNode& row = node.items[i];
    const std::string where = key + "[" + std::to_string(i) + "]";
    check.expect(row, Kind::kSequence, where, "a pair [heel (deg), arm (m)]");
    if (row.items.size() != 2)
      check.fail(
          row.line, where,
          "expected 2 numbers [heel (deg), arm (m)], found " + std::to_string(row.items.size()));
    const double heel = check.number(row.items[0], where);
    const double arm = check.number(row.items[1], where);
    if (!rows.empty() && !(heel > rows.back().first)) {
      std::ostringstream text;
      text << "the heels must increase: " << heel << " deg follows " << rows.back().first << " deg";
      check.fail(row.line, where, text.str());
    }
    rows.emplace_back(heel, arm);
  }
  return HeelingArmTable(std::move(rows));
}

// The list at `key` (absent: none), each item read by `read`; at least `least` items.
template <typename Read>
void readList(const CaseChecker& check, const Fields& f, const char* key, std::size_t least,
              Read read) {
  const auto it = f.find(key);
  if (it == f.end())
    return;
  const CaseNode& list = *it->second;
  check.expect(list, Kind::kSequence, key, "a list");
  if (list.items.size() < least)
    check.fail(list.line, key, "at least " + std::to_string(least) + " entry is needed");
  for (std::size_t i = 0; i < list.items.size(); ++i)
    read(list.items[i], std::string(key) + "[" + std::to_string(i) + "]");
}

}  // namespace

CaseInput readCaseText(const std::string& path, const std::string& text) {
  CaseChecker check(path);
  CaseNode root;
  long line = 0;
  std::string error;
  if (!parseCaseText(text, root, line, error)) {
    if (line > 0)
      check.fail(line, "", error);
    throw CaseError(path + ": " + error);
  }
  if (root.kind == Kind::kNull)
    check.fail(1, "", "the case file is empty: it needs at least body and weights");
  const Fields f = check.fields(
      root, "",
      {"body", "pillars", "marks", "water_density", "weights", "tanks", "compartments",
       "heeling_moments", "lpp", "windage", "bilge_keel_area", "openings", "wind_heeling_arm"},
      {"body", "weights"});
  CaseInput input;
  input.path = path;
  const CaseNode& body = *f.at("body");
  if (body.kind == Kind::kMap) {
    const Fields b = check.fields(body, "body", {"set", "mesh"}, {});
    const std::string kind = oneOf(check, b, body, "body", {"set", "mesh"}, "body file");
    input.bodyIsMesh = kind == "mesh";
    input.bodyFile = check.file(*b.at(kind), "body." + kind);
  } else {
    input.bodyFile = check.file(body, "body");
  }
  if (f.count("pillars") != 0)
    input.pillarFile = check.file(*f.at("pillars"), "pillars");
  if (f.count("marks") != 0)
    input.marksFile = check.file(*f.at("marks"), "marks");
  LoadingCondition& c = input.condition;
  if (f.count("water_density") != 0)
    c.waterDensity =
        check.numberIn(*f.at("water_density"), "water_density", 0, HUGE_VAL, true, "above 0 t/m^3");
  readList(check, f, "weights", 1, [&](const CaseNode& n, const std::string& key) {
    c.weights.push_back(readWeight(check, n, key));
  });
  readList(check, f, "tanks", 0, [&](const CaseNode& n, const std::string& key) {
    c.tanks.push_back(readTank(check, n, key, input.warnings));
  });
  readList(check, f, "compartments", 0, [&](const CaseNode& n, const std::string& key) {
    c.compartments.push_back(readCompartment(check, n, key, input.warnings));
  });
  readList(check, f, "heeling_moments", 0, [&](const CaseNode& n, const std::string& key) {
    c.heelingMoments.push_back(readMoment(check, n, key));
  });
  if (f.count("lpp") != 0)
    input.lpp = check.numberIn(*f.at("lpp"), "lpp", 0, HUGE_VAL, true, "above 0 m");
  if (f.count("windage") != 0)
    input.windage = readWindage(check, *f.at("windage"));
  if (f.count("bilge_keel_area") != 0)
    input.bilgeKeelArea = check.numberIn(*f.at("bilge_keel_area"), "bilge_keel_area", 0, HUGE_VAL,
                                         false, "0 m^2 or more");
  readList(check, f, "openings", 0, [&](const CaseNode& n, const std::string& key) {
    input.openings.push_back(readOpening(check, n, key));
  });
  if (f.count("wind_heeling_arm") != 0)
    input.windHeelingArm = readHeelingArm(check, *f.at("wind_heeling_arm"));
  return input;
}

CaseInput readCaseFile(const std::string& path) {
  errno = 0;
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    const int error = errno;
    throw CaseError(fileFailure("cannot open case file", path.c_str(), error), error);
  }
  std::ostringstream bytes;
  bytes << file.rdbuf();
  if (file.bad()) {
    const int error = errno;
    throw CaseError(fileFailure("cannot read case file", path.c_str(), error), error);
  }
  return readCaseText(path, bytes.str());
}
