#pragma once
// A packing of any puzzle drawn for people: its layers side by side, y = 0 in the top row and x
// growing to the right, as text (optionally in colour) or as an SVG picture.

#include <cstddef>
#include <string>
#include <string_view>

namespace cubepack {

// Any box of layers: one character per cell, x fastest, then y, then z; '.' where there is no
// cell, '+' for a cell left empty. A piece's colour is its character's place in `legend`.
struct Layers {
  int sizeX = 0, sizeY = 0, sizeZ = 0;
  std::string_view cells;
  std::string_view legend;
};

// Pieces told apart by colour; more take the colours again from the first.
inline constexpr std::size_t kPieceColours = 62;

// Piece `index`'s colour as "#rrggbb": the SVG picture's twelve first (the terminal's in the
// same order), then colours picked to lie far from those before them and from white and black.
std::string_view PieceColour(std::size_t index);

// A header line, then each layer's rows side by side, three spaces apart; layers that would
// run past 80 columns wrap onto further rows of layers, after a blank line.
std::string DrawLayersText(const Layers& layers, bool colour);

// A standalone SVG picture of the layers (wrapped likewise) with a legend of the pieces.
std::string DrawLayersSvg(const Layers& layers);

}  // namespace cubepack
