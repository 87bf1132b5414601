#pragma once
// show --html: the 3-D page of a packing, with the three.js found when the build was
// configured.

#include <string>

#include "shared/packing_page.h"

namespace cubepack {

// Reads three.js and its orbit controls into `library`, before any search, so that a build
// without them fails at once. Returns 0, or 2 after one line on standard error.
int ReadPageLibrary(std::string& library);

// Writes the page on standard output. Returns the exit status: 0, or 1 when the output cannot
// be written.
int WritePackingPage(const Layers& layers, const PageText& text, const std::string& library);

}  // namespace cubepack
