#include "app/mesh/mesh_body.h"

#include <limits>
#include <sstream>
#include <utility>

#include "app/mesh/mesh_reader.h"
#include "app/mesh/surface_check.h"

std::string meshOptionsProblem(const MeshRunInput& input) {
  const bool loading =
      input.hasDisplacement || input.hasMass || input.hasDensity || input.hasGravity;
  if (input.meshFile.empty())
    return loading ? "--displacement, --mass, --density and --gravity go with --mesh" : "";
  if (input.hasDisplacement && (input.hasMass || input.hasDensity))
    return "give either --displacement or --mass with --density, not both";
  if (!input.hasDisplacement && !(input.hasMass && input.hasDensity))
    return "--mesh needs --displacement V, or --mass M with --density RHO";
  if (!input.hasGravity)
    return "--mesh needs --gravity X,Y,Z, the centre of gravity";
  return "";
}

bool parseNumberOption(const std::string& text, double& value) {
  return parseCoordinate(trimmed(text), value);
}

bool parsePointOption(const std::string& text, Vec3& point) {
  double xyz[3];
  std::string_view rest = text;
  for (int i = 0; i < 3; ++i) {
    const std::size_t comma = i < 2 ? rest.find(',') : rest.size();
    if (comma == std::string_view::npos || !parseCoordinate(trimmed(rest.substr(0, comma)), xyz[i]))
      return false;
    rest.remove_prefix(i < 2 ? comma + 1 : rest.size());
  }
  point = Vec3(xyz[0], xyz[1], xyz[2]);
  return true;
}

namespace {

// The centre of gravity of a floating body lies inside it; one outside even the box of its
// surface is probably in other coordinates or another unit.
void checkGravity(const FloatingBody& body, const std::string& path,
                  std::vector<std::string>& warnings) {
  const BoundingBox& b = body.bounds;
  const Vec3& g = body.centreOfGravity;
  if (g.x >= b.xMin && g.x <= b.xMax && g.y >= b.yMin && g.y <= b.yMax && g.z >= b.zMin &&
      g.z <= b.zMax)
    return;
  std::ostringstream text;
  text << path << ": the centre of gravity (" << g.x << ", " << g.y << ", " << g.z
       << ") lies outside the surface's bounding box (" << b.xMin << " .. " << b.xMax << ", "
       << b.yMin << " .. " << b.yMax << ", " << b.zMin << " .. " << b.zMax << ")";
  warnings.push_back(text.str());
}

}  // namespace

bool surfaceBody(MeshFile& mesh, FloatingBody& body, MeshFileError& error,
                 std::vector<std::string>& warnings, std::vector<std::string>& notes) {
  SurfaceFindings findings;
  error = MeshFileError();
  const bool sound = checkSurface(mesh, findings, error.message, warnings);
  notes.insert(notes.end(), findings.notes.begin(), findings.notes.end());
  if (!sound)
    return false;
  body.surface = std::move(mesh.surface);
  body.boundingBox();
  return true;
}

bool readSurfaceBody(const std::string& path, FloatingBody& body, MeshFileError& error,
                     std::vector<std::string>& warnings, std::vector<std::string>& notes) {
  MeshFile mesh;
  return readMeshFile(path, mesh, error) && surfaceBody(mesh, body, error, warnings, notes);
}

void loadSurfaceBody(FloatingBody& body, double displacementVolume, const Vec3& gravity,
                     const std::string& name, std::vector<std::string>& warnings) {
  body.displacementVolume = displacementVolume;
  body.centreOfGravity = gravity;
  checkGravity(body, name, warnings);
}

bool loadMeshBody(const MeshRunInput& input, FloatingBody& body, MeshFileError& error,
                  std::vector<std::string>& warnings, std::vector<std::string>& notes) {
  if (!readSurfaceBody(input.meshFile, body, error, warnings, notes))
    return false;
  // A run of the tables alone gives no loading: the body has no displacement then.
  const double V =
      input.hasLoading() ? input.displacementVolume() : std::numeric_limits<double>::quiet_NaN();
  if (input.hasGravity) {
    loadSurfaceBody(body, V, input.gravity, input.meshFile, warnings);
  } else {
    body.displacementVolume = V;
    body.centreOfGravity = input.gravity;
  }
  return true;
}
