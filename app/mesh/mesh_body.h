#pragma once

#include <string>
#include <vector>

#include "app/mesh/mesh_reader.h"
#include "elements/floating_body.h"
#include "geometry/vec3.h"

// A body given as a closed surface mesh on the command line: the mesh file and the loading that a
// SET file's header would give, the displacement volume (directly, or as mass over density) and
// the centre of gravity, in the mesh's own coordinates and length unit.
struct MeshRunInput {
  std::string meshFile;  // empty: the run reads a SET file instead
  bool hasDisplacement = false, hasMass = false, hasDensity = false, hasGravity = false;
  double displacement = 0;
  double mass = 0;
  double density = 0;
  Vec3 gravity{0, 0, 0};

  // Whether any of the loading options was given.
  bool hasLoading() const { return hasDisplacement || hasMass || hasDensity || hasGravity; }
  // V: the displacement, or mass / density.
  double displacementVolume() const { return hasDisplacement ? displacement : mass / density; }
};

// What is wrong with the options of a mesh run (a usage error), or an empty string: --mesh needs
// --gravity and exactly one of --displacement and --mass with --density; the loading options
// need --mesh. (A run that asks only for the hydrostatic table or the cross curves needs no
// loading; the command line decides that.)
std::string meshOptionsProblem(const MeshRunInput& input);

// A point "X,Y,Z" of three finite numbers (blanks allowed around them), whatever the locale.
bool parsePointOption(const std::string& text, Vec3& point);
// One finite number, whatever the locale.
bool parseNumberOption(const std::string& text, double& value);

// Reads the mesh file, runs the surface checks and fills the freshly constructed body with the
// surface, the displacement volume and the centre of gravity, and its bounds. On a fault returns
// false with a one-line message that names the file. Findings that do not stop the run (the
// surface turned around, degenerate triangles, a centre of gravity outside the surface's box) are
// appended to warnings, one line each; what was accepted as it is meant (an open surface, fins
// left out) to notes. Without loading options the body's displacement volume is NaN and its centre
// of gravity the origin, unchecked. Prints nothing. The error's systemError is set when the file
// could not be opened or read.
bool loadMeshBody(const MeshRunInput& input, FloatingBody& body, MeshFileError& error,
                  std::vector<std::string>& warnings, std::vector<std::string>& notes);

// loadMeshBody in its two steps, for a surface read once and loaded many times. The first fills
// the freshly constructed body with the checked surface and its bounds, and no loading: from a
// mesh already read (or made from arrays, app/mesh/array_mesh.h; the mesh's surface is taken), or
// from the file at `path`. On a fault it returns false with the error set (its systemError when
// the file could not be opened or read). The second gives the body its displacement volume and
// centre of gravity, with the warning about a centre of gravity outside the surface's box, which
// names `name`. Findings are appended to warnings and notes, one line each, in loadMeshBody's
// order.
bool surfaceBody(MeshFile& mesh, FloatingBody& body, MeshFileError& error,
                 std::vector<std::string>& warnings, std::vector<std::string>& notes);
bool readSurfaceBody(const std::string& path, FloatingBody& body, MeshFileError& error,
                     std::vector<std::string>& warnings, std::vector<std::string>& notes);
void loadSurfaceBody(FloatingBody& body, double displacementVolume, const Vec3& gravity,
                     const std::string& name, std::vector<std::string>& warnings);
