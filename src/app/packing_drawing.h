#pragma once
// A packing drawn for people: the layers z = 0, 1, 2 side by side, y = 0 in the top row and x
// growing to the right, as text (optionally in colour) or as an SVG picture.

#include <string>

#include "model/packing.h"

namespace cubepack {

// A header line, then four rows: each layer's row of five piece characters, layers three
// spaces apart. With `colour`, each cell carries its piece's ANSI colours.
std::string DrawPackingText(const Packing& packing, bool colour);

// A standalone SVG picture of the same layers with a legend of the twelve pieces.
std::string DrawPackingSvg(const Packing& packing);

}  // namespace cubepack
