#pragma once
// cubepack-solutions show: one packing drawn on standard output.

#include "shared/solutions_command_line.h"

namespace cubepack {

// Draws packing options.packingNumber of the listing (1-based), or with 0 the packing line read
// from standard input; as SVG with options.svg, as the 3-D page with options.html, else as
// text, in colour on a terminal. Returns the exit
// status: 0; 2 when the line read is not a packing or the number is past the listing's end;
// 1 when the output cannot be written. Throws std::exception when the packing cannot be found.
int RunShow(const SolutionsOptions& options);

}  // namespace cubepack
