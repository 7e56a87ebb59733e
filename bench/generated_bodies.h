#pragma once

// Bodies generated for the benchmarks, sized by their element counts.

#include <string>

#include "elements/floating_body.h"
#include "geometry/vec3.h"

// A loading case: the body plus its displacement volume and centre of gravity.
struct LoadCase {
  double displacement;
  Vec3 gravity;
};

// A box barge 100 x 40 x 10 m meshed into nx * ny * nz hexahedra, loaded to a draft of about 4 m
// with G off the centre lines (it heels and trims).
LoadCase makeBargeGrid(FloatingBody& body, int nx, int ny, int nz);
// A raft of horizontal buoyancy tubes (radius 0.5 m, 12 m long, along x) stacked in 10 layers,
// nx tubes along x and ny across; loaded to about 35 % of its volume with G off centre.
LoadCase makeCylinderField(FloatingBody& body, int nx, int ny);
// A box 24 x 24 x 30 m of n^3-ish cubes, each split into six tetrahedra.
LoadCase makeTetrahedralMesh(FloatingBody& body, int nx, int ny, int nz);
// A semi-submersible: two hexahedron pontoons in 1 m cells, four columns of stacked cylinders,
// prism braces between the columns, and a tetrahedral deck box.
LoadCase makeMixedPlatform(FloatingBody& body);
// The same platform with its columns in sections of 1/6 m: 18,576 elements, 101,040 water
// tetrahedra.
LoadCase makeLargeMixedPlatform(FloatingBody& body);
// n x n vertical cylinders (radius 0.5 m, 10 m tall, 1.5 m apart) standing on z = 0, loaded to
// 40 % of their volume: the water crosses every cylinder.
LoadCase makeVerticalCylinderField(FloatingBody& body, int n);

// A ship-shaped element hull 120 x 20 m, 12 m deep amidships with 1.5 m of sheer at the ends:
// `stations` stations along x, `across` cells across and `layers` layers in z of hexahedra whose
// section's half-breadth varies with x (fine ends) and z (a round bilge of 3 m, flare above the
// waterline), plus 60 other elements (a deckhouse of boxes, a funnel and a bulb of cylinders,
// shafts, bilge keels and a skeg of prisms). Loaded to about 45 % of its hull's volume with G
// 1.5 m abaft the middle and 0.25 m off the centre line: it heels and trims by a few degrees.
LoadCase makeShipHull(FloatingBody& body, int stations, int across, int layers);
// Crossed layers of several element sizes: a block 80 x 20 x 10 m of strakes of hexahedra 1 m,
// 2.5 m, 0.5 m and 4 m long whose cell ends do not line up, one strake also split into a fine
// and a coarse run overlapping over 20 m in x. Loaded to about 45 % with G off the centre lines.
LoadCase makeCrossedLayers(FloatingBody& body);

// A ship-like hull 100 x 16 x 10 m as a closed surface of about 4 * stations * levels triangles
// (tests/support/surfaces.h), loaded to about 45 % of its volume with G off the centre lines.
LoadCase makeHullSurface(FloatingBody& body, int stations, int levels);

// Water tetrahedra of one body evaluation: 1 per tetrahedron, 5 per hexahedron, 3 per prism,
// 3 * segmentCount per cylinder.
long long waterTetrahedronCount(const FloatingBody& body);
// Heap bytes of the body's element arrays.
long long bodyBytes(const FloatingBody& body);
