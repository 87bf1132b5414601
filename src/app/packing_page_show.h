#pragma once
// show --html: the 3-D page of a packing, with the three.js found when the build was
// configured.

#include "shared/packing_page.h"

namespace cubepack {

// Writes the page on standard output. Returns the exit status: 0; 2 after one line on standard
// error when this build has no three.js or it cannot be read; 1 when the output cannot be
// written.
int WritePackingPage(const Layers& layers, const PageText& text);

}  // namespace cubepack
