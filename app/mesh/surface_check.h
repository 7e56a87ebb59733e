#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/mesh/mesh_reader.h"

// The checks a surface read from a file must pass before it becomes a body: the solid it bounds
// must be unambiguous, because the submerged volume is summed over the triangles with their signs.
//
// 1. Degenerate triangles: a triangle with two equal corners (after equal points were merged)
//    bounds nothing and is left out; one whose corners are (nearly) in a line is kept, for it may
//    be needed to close the surface. Both count as degenerate; more than kMaxDegenerateShare of the
//    triangles is an error (the coordinates have lost too many digits, e.g. single-precision STL
//    far from the origin), fewer a warning.
// 2. Coincident triangles (the same three corners) of opposite orientation are a fin of no
//    thickness, as meshers leave where a hull's two sides meet at its ends: they cancel in every
//    integral and are left out in pairs, with a note. Coincident triangles of the same
//    orientation (a doubled facet) are an error.
// 3. Every edge must belong to two triangles, which run along it in opposite directions (else
//    their orientation is inconsistent), or to one (an open edge); more than two make the surface
//    non-manifold, an error. The open edges of such a surface always form closed loops: at each
//    vertex every triangle runs one edge in and one out, the shared edges pair off in and out, so
//    as many open edges leave a vertex as arrive at it. The loops become the surface's openings
//    (TriangleSurface::openings), with a note that names the opening's lowest point: the surface
//    floats like a hull open at its deck, as long as the water stays below that point.
// 4. The enclosed volume, the openings closed by fans (TriangleSurface::enclosedVolume), must be
//    positive. A surface whose triangles all face inwards encloses a negative volume: it is
//    turned around, with a warning. A volume that vanishes against the size of its terms (a
//    doubled sheet, say) is an error.
// Each error, warning and note is one line that names the file, gives counts and one example
// location (a line of the file, or a facet of a binary STL file, and coordinates).

// What the checks found.
struct SurfaceFindings {
  std::size_t collapsed = 0;         // triangles with two equal corners: left out
  std::size_t flat = 0;              // triangles with (nearly) no area: kept
  std::size_t cancelledPairs = 0;    // coincident triangles of opposite orientation: left out
  std::size_t openEdges = 0;         // edges of only one triangle
  std::size_t crowdedEdges = 0;      // edges of more than two triangles
  std::size_t misorientedEdges = 0;  // edges run in the same direction by both triangles
  bool turnedAround = false;
  double volume = 0;  // enclosed by the surface as it is left (positive when it passes)
  // Lines about what was accepted as it is meant (the fins left out, the openings), one each.
  std::vector<std::string> notes;
};

// Share of degenerate triangles (collapsed or flat) above which the surface is refused.
constexpr double kMaxDegenerateShare = 0.01;

// Runs the checks on mesh.surface, leaving out the collapsed triangles and the cancelling pairs,
// setting its openings and turning an inside-out surface around. Returns false with the error set
// when the surface cannot be a body. Warnings are appended either way, notes to findings.notes.
// Never prints.
bool checkSurface(MeshFile& mesh, SurfaceFindings& findings, std::string& error,
                  std::vector<std::string>& warnings);
