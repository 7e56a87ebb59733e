#include "app/mesh/array_mesh.h"

#include <cmath>
#include <vector>

namespace {

std::string coordinateName(std::size_t k) {
  return std::string(1, "xyz"[k % 3]);
}

}  // namespace

bool surfaceFromArrays(const std::string& name, const double* xyz, std::size_t vertexCount,
                       const std::int64_t* corners, std::size_t triangleCount, MeshFile& mesh,
                       MeshFileError& error) {
  const std::string path = name;  // name may be mesh.path itself
  mesh = MeshFile();
  mesh.path = path;
  mesh.format = MeshFormat::kArrays;
  error = MeshFileError();
  const auto fail = [&](const std::string& reason) {
    error.message = path + ": " + reason;
    mesh.surface = TriangleSurface();
    mesh.origins.clear();
    return false;
  };
  if (triangleCount == 0)
    return fail("no triangles are given");
  if (vertexCount > SurfaceBuilder::kMaxCount || triangleCount > SurfaceBuilder::kMaxCount)
    return fail("more points or triangles than a surface can have");
  for (std::size_t k = 0; k < 3 * vertexCount; ++k) {
    if (!std::isfinite(xyz[k])) {
      return fail("vertices[" + std::to_string(k / 3) + "]: " + coordinateName(k) +
                  " is not a finite number");
    }
  }
  SurfaceBuilder builder(mesh.surface, mesh.origins);
  builder.reserve(vertexCount, triangleCount);
  std::vector<std::uint32_t> merged(vertexCount);
  for (std::size_t i = 0; i < vertexCount; ++i)
    builder.addPoint(Vec3(xyz[3 * i], xyz[3 * i + 1], xyz[3 * i + 2]), merged[i]);
  for (std::size_t t = 0; t < triangleCount; ++t) {
    std::uint32_t v[3];
    for (std::size_t k = 0; k < 3; ++k) {
      const std::int64_t index = corners[3 * t + k];
      if (index < 0 || static_cast<std::uint64_t>(index) >= vertexCount) {
        return fail("triangles[" + std::to_string(t) + "] refers to vertex " +
                    std::to_string(index) + ", but the vertices are numbered 0 to " +
                    std::to_string(static_cast<long long>(vertexCount) - 1));
      }
      v[k] = merged[static_cast<std::size_t>(index)];
    }
    builder.addTriangle(v[0], v[1], v[2], static_cast<std::uint32_t>(t));
  }
  return true;
}
