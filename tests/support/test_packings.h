#pragma once
// Packings for the tests of the packing checks, found without the search and without the
// checker's own rotation table.

#include <vector>

#include "builtin/model/mask.h"
#include "builtin/model/packing.h"

namespace cubepack::testing {

// The test helpers of one engine speak its names.
using namespace cubepack::builtin;

// The orientations of a piece that fit in the box, made by quarter turns about x, y and z
// (every combination) and moved against the corner; each mask once.
std::vector<OccupancyMask> QuarterTurnOrientations(int piece);

// The first `count` packings of a plain backtracking packer (lowest empty cell first), leaving
// out any that is a half turn of one already found. Found once per test binary and kept.
const std::vector<Packing>& TestPackings(int count);

// The packing turned half about an axis (0 = x, 1 = y, 2 = z), worked out here.
Packing HalfTurned(const Packing& p, int axis);

// The mirror image in x: (x, y, z) to (4 - x, y, z). Chiral pieces come out as their mirror
// images.
Packing MirroredX(const Packing& p);

}  // namespace cubepack::testing
