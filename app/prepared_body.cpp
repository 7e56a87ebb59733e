#include "app/prepared_body.h"

#include <algorithm>
#include <ostream>

#include "app/input/input_scan.h"
#include "app/input/set_file_reader.h"
#include "app/mesh/array_mesh.h"
#include "app/mesh/mesh_body.h"
#include "elements/large_pages.h"

namespace {

template <class Element>
void copyElements(const std::unique_ptr<Element[]>& from, int count,
                  std::unique_ptr<Element[]>& to) {
  if (count <= 0)
    return;
  to = makeLargeArray<Element>(static_cast<std::size_t>(count));
  std::copy(from.get(), from.get() + count, to.get());
}

// A checked surface becomes a prepared body; a fault ends as the mesh run's reading does: its
// findings on `err`, then the fault.
std::shared_ptr<const PreparedBody> surfaceOrFault(std::shared_ptr<PreparedBody> prepared, bool ok,
                                                   const MeshFileError& error,
                                                   const std::vector<std::string>& findings,
                                                   std::vector<std::string> notes,
                                                   std::ostream& err) {
  prepared->notes = std::move(notes);
  for (const std::string& finding : findings)
    prepared->warnings.push_back(InputWarning{0, finding});
  if (!ok) {
    writeWarnings(err, prepared->warnings);
    throwReadFault({}, error.message, error.systemError);
  }
  return prepared;
}

}  // namespace

std::shared_ptr<const PreparedBody> prepareSetBody(const std::string& path, std::ostream& err) {
  auto prepared = std::make_shared<PreparedBody>();
  prepared->setFile = prepared->name = path;
  prepared->warnings = readSetFileWithWarnings(path.c_str(), prepared->body, err);
  prepared->gravityFindings = gravityFindings(prepared->body);
  return prepared;
}

std::shared_ptr<const PreparedBody> prepareMeshBody(const std::string& path, std::ostream& err) {
  auto prepared = std::make_shared<PreparedBody>();
  prepared->meshFile = prepared->name = path;
  MeshFileError error;
  std::vector<std::string> findings, notes;
  const bool ok = readSurfaceBody(path, prepared->body, error, findings, notes);
  return surfaceOrFault(std::move(prepared), ok, error, findings, std::move(notes), err);
}

std::shared_ptr<const PreparedBody> prepareArrayBody(const std::string& name, const double* xyz,
                                                     std::size_t vertexCount,
                                                     const std::int64_t* corners,
                                                     std::size_t triangleCount, std::ostream& err) {
  auto prepared = std::make_shared<PreparedBody>();
  prepared->name = name;
  MeshFile mesh;
  MeshFileError error;
  std::vector<std::string> findings, notes;
  const bool ok = surfaceFromArrays(name, xyz, vertexCount, corners, triangleCount, mesh, error) &&
                  surfaceBody(mesh, prepared->body, error, findings, notes);
  return surfaceOrFault(std::move(prepared), ok, error, findings, std::move(notes), err);
}

void copyBody(const FloatingBody& from, FloatingBody& to) {
  to.tetrahedronCount = from.tetrahedronCount;
  to.hexahedronCount = from.hexahedronCount;
  to.prismCount = from.prismCount;
  to.cylinderCount = from.cylinderCount;
  copyElements(from.tetrahedra, from.tetrahedronCount, to.tetrahedra);
  copyElements(from.hexahedra, from.hexahedronCount, to.hexahedra);
  copyElements(from.prisms, from.prismCount, to.prisms);
  copyElements(from.cylinders, from.cylinderCount, to.cylinders);
  to.bounds = from.bounds;
  to.displacementVolume = from.displacementVolume;
  to.centreOfGravity = from.centreOfGravity;
  to.surface = from.surface;
}
