#pragma once
// cubepack-solutions list, and the one way to a packing by its number in that listing.

#include <cstdint>

#include "model/packing.h"

namespace cubepack {

// Writes every packing the search counts, one line each, in the order counted. Returns the
// exit status.
int RunList(int jobs);

// Packing number n (1-based) of the listing, in the order list writes them. Returns false
// when the listing has fewer than n packings; throws std::exception when it cannot tell.
bool FindPacking(std::int64_t n, Packing& out);

}  // namespace cubepack
