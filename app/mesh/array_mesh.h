#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/mesh/mesh_reader.h"

// A surface handed over in memory rather than in a file: `vertexCount` points as rows of three
// coordinates (x, y, z) and `triangleCount` triangles as rows of three vertex indices from 0,
// counter-clockwise seen from outside. The points go through the readers' builder, so equal
// points become one vertex and the surface is the one a file with the same points and faces
// gives, triangle for triangle. `name` stands in messages where a file's path would; the
// triangles' places read "triangles[ROW]".
//
// False with the error set on a coordinate that is not finite, an index outside the points, no
// triangle, or more points or triangles than a surface can hold. The surface checks
// (app/mesh/surface_check.h) come afterwards, as for a file.
bool surfaceFromArrays(const std::string& name, const double* xyz, std::size_t vertexCount,
                       const std::int64_t* corners, std::size_t triangleCount, MeshFile& mesh,
                       MeshFileError& error);
