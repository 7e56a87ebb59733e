#pragma once

#include <string>
#include <string_view>

#include "app/mesh/mesh_text.h"

// Wavefront OBJ, as far as it describes a polygon surface: "v x y z" vertex lines (a fourth or
// further number, a weight or a colour, is ignored) and "f" face lines of three or more vertex
// references "i", "i/t", "i//n" or "i/t/n", of which only the vertex index i is used. Indices count
// from 1 in file order; a negative index counts back from the last vertex defined above the face
// (-1 is that vertex). Polygons become fans of triangles. "#" starts a comment; every other
// statement (vt, vn, g, o, s, usemtl, l, ...) is passed over. Each triangle's origin is the line
// of its face.
bool parseObj(std::string_view text, const std::string& path, SurfaceBuilder& builder,
              MeshFileError& error);
