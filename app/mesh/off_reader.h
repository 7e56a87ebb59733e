#pragma once

#include <string>
#include <string_view>

#include "app/mesh/mesh_text.h"

// OFF (object file format), line by line:
//   OFF                   the keyword (COFF, NOFF, CNOFF, STOFF, ... too: their extra numbers
//                         per vertex, colours, normals or texture coordinates, are ignored)
//   nv nf ne              the counts of vertices, faces and edges (ne is not used); they may
//                         also follow the keyword on its line
//   x y z                 nv vertex lines
//   k i1 i2 ... ik        nf face lines: k >= 3 vertex indices counted from 0, then, ignored, a
//                         colour
// "#" starts a comment; blank lines and comments may stand anywhere. Polygons become fans of
// triangles; each triangle's origin is the line of its face. The binary form and the 4D and
// n-dimensional variants are refused.
bool parseOff(std::string_view text, const std::string& path, SurfaceBuilder& builder,
              MeshFileError& error);

// True when the word is one of the OFF keywords this reader accepts.
bool isOffKeyword(std::string_view word);
