#pragma once

#include "elements/floating_body.h"
#include "geometry/vec3.h"

// Whether a flooded compartment lies inside the hull. The lost-buoyancy sum takes
// permeability x the compartment's volume below the water plane away from the hull's; a part of
// the compartment outside the hull would take away buoyancy that the hull never had. The test
// samples the compartment: every corner of every element (for a cylinder, of its end circles),
// each pulled a millionth of the way towards its element's centroid so that a corner on the
// hull's skin counts as inside, and every element's centroid; for a compartment given as a
// surface, its vertices pulled towards the compartment's centroid in the same way. A sample
// outside every hull element (or outside the hull's surface, by the parity of a ray's crossings)
// means the compartment reaches outside. A compartment that pokes out between its samples is not
// seen; the samples are those of its own shape, so a box or a few elements are checked at every
// corner.
bool reachesOutsideHull(const FloatingBody& hull, const FloatingBody& compartment,
                        const Vec3& compartmentCentroid);

// Whether the point lies inside the body or on its skin, within a relative 1e-9 of its size.
bool insideBody(const FloatingBody& body, const Vec3& p);
