#pragma once
// cubepack-solutions list.

namespace cubepack {

// Writes every packing the search counts, one line each, in the order counted. Returns the
// exit status.
int RunList(int jobs);

}  // namespace cubepack
