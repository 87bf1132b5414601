#pragma once
// A packing drawn for people: the layers z = 0, 1, 2 side by side, y = 0 in the top row and x
// growing to the right, as text (optionally in colour) or as an SVG picture.

#include <string>
#include <string_view>

#include "model/packing.h"

namespace cubepack {

// Any box of layers: one character per cell, x fastest, then y, then z; '.' where there is no
// cell. A piece's colour is its character's place in `legend`.
struct Layers {
  int sizeX = 0, sizeY = 0, sizeZ = 0;
  std::string_view cells;
  std::string_view legend;
};

// A header line, then each layer's rows side by side, three spaces apart; layers that would
// run past 80 columns wrap onto further rows of layers, after a blank line.
std::string DrawLayersText(const Layers& layers, bool colour);

// A standalone SVG picture of the layers (wrapped likewise) with a legend of the pieces.
std::string DrawLayersSvg(const Layers& layers);

// A header line, then four rows: each layer's row of five piece characters, layers three
// spaces apart. With `colour`, each cell carries its piece's ANSI colours.
std::string DrawPackingText(const Packing& packing, bool colour);

// A standalone SVG picture of the same layers with a legend of the twelve pieces.
std::string DrawPackingSvg(const Packing& packing);

}  // namespace cubepack
