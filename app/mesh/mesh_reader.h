#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/mesh/mesh_text.h"
#include "elements/triangle_surface.h"

// Reading a closed triangle surface (a hull mesh) from an STL (ASCII or binary), OBJ or OFF file.
// Coordinates are kept as doubles: the text formats keep every digit written, binary STL holds
// single-precision numbers by its format, converted exactly. Points with equal coordinates become
// one vertex, polygons become fans of triangles. The readers check the file's syntax only; whether
// the triangles close a solid is checked afterwards (app/surface_check.h).

// kArrays: no file, but a caller's arrays of points and corner indices (app/mesh/array_mesh.h).
enum class MeshFormat { kStlAscii, kStlBinary, kObj, kOff, kArrays };

// "ASCII STL", "binary STL", "OBJ", "OFF", "arrays".
const char* meshFormatName(MeshFormat format);

// A surface as read, with the origin of each triangle for messages.
struct MeshFile {
  std::string path;  // as given; every message names it
  MeshFormat format = MeshFormat::kObj;
  TriangleSurface surface;
  // Per triangle: the line of the text file that defined it (a polygon's triangles share the line
  // of the polygon), the number of the facet, from 1, in a binary STL file, or the row of the
  // triangles' array, from 0.
  std::vector<std::uint32_t> origins;

  // Where triangle t came from, e.g. "line 120", "facet 17" or "triangles[16]".
  std::string placeOf(std::size_t triangle) const { return placeOfOrigin(origins[triangle]); }
  // The same for an origin as stored in origins.
  std::string placeOfOrigin(std::uint32_t origin) const;
};

// Decides the format by the content, the file name's extension deciding what the content leaves
// open:
// - a binary STL file has exactly 84 + 50 n bytes, n being the count at byte 80 (its 80-byte header
//   may well start with "solid", so that word alone proves nothing);
// - an ASCII STL file starts with the word "solid";
// - an OFF file's first line that is not a comment is "OFF" (or COFF, NOFF, CNOFF, STOFF, ...);
// - then the extension .stl, .obj or .off (any case) decides;
// - otherwise a text with "v" and "f" lines is OBJ.
// False with a message naming the file when none of these fits.
bool detectMeshFormat(std::string_view bytes, const std::string& path, MeshFormat& format,
                      MeshFileError& error);

// Parses the bytes of the file `path` (detecting the format) into mesh. On success mesh holds at
// least one triangle. On failure returns false with the error set. Never prints, waits or exits.
// A large STL file is read in two halves side by side unless twoHalves is false (the same
// surface on one thread).
bool parseMesh(std::string_view bytes, const std::string& path, MeshFile& mesh,
               MeshFileError& error, bool twoHalves = true);

// Reads the whole file and parses it: a regular file from its pages mapped into memory, any other
// stream read in chunks. A file that cannot be opened or read is an error that names the system's
// reason.
bool readMeshFile(const std::string& path, MeshFile& mesh, MeshFileError& error);
