#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "app/mesh/mesh_text.h"

// STL, the triangle soup of CAD exports, in its two forms. The facet normals of the file are not
// used: the order of a facet's vertices (counter-clockwise seen from outside) decides its side.

// True when the bytes have the size of a binary STL file: 84 + 50 n bytes, n the facet count at
// byte 80 (little-endian).
bool hasBinaryStlSize(std::string_view bytes);

// ASCII STL: one or more "solid NAME ... endsolid NAME" blocks of facets
//   facet normal nx ny nz
//     outer loop
//       vertex x y z     (three times)
//     endloop
//   endfacet
// Keywords in any case; the words may be spread over lines at will. Each triangle's origin is the
// line of its "facet".
// A text of 1 MB or more is read in two halves side by side where the builder is empty and
// twoHalves holds (the same surface, lines and messages); halvesStood, where given, tells whether
// the two halves' reading stood (false where the text was read from the front on one thread).
bool parseStlAscii(std::string_view text, const std::string& path, SurfaceBuilder& builder,
                   MeshFileError& error, bool twoHalves = true, bool* halvesStood = nullptr);

// A binary file of at least this many facets is read in two halves side by side (where twoHalves
// holds and the builder is empty), each merging its own points, the second's then joining the
// first's: the surface, its vertex numbering and its messages are those of a reading from front
// to back.
constexpr std::size_t kStlTwoHalvesFacets = 8192;

// Binary STL: an 80-byte header, the facet count (32-bit, little-endian), then 50 bytes per facet:
// the normal and the three vertices as 32-bit little-endian floats, and two attribute bytes. The
// size must match the count (hasBinaryStlSize). Each triangle's origin is its facet number from 1.
bool parseStlBinary(std::string_view bytes, const std::string& path, SurfaceBuilder& builder,
                    MeshFileError& error, bool twoHalves = true);
