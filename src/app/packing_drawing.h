#pragma once
// A packing of the built-in puzzle drawn for people: the layers z = 0, 1, 2 side by side.

#include <string>

#include "builtin/model/packing.h"

namespace cubepack {

// A header line, then four rows: each layer's row of five piece characters, layers three
// spaces apart. With `colour`, each cell carries its piece's ANSI colours.
std::string DrawPackingText(const builtin::Packing& packing, bool colour);

// A standalone SVG picture of the same layers with a legend of the twelve pieces.
std::string DrawPackingSvg(const builtin::Packing& packing);

}  // namespace cubepack
