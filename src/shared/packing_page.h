#pragma once
// A packing of any puzzle as one HTML page that shows it in 3-D: three.js draws the pieces, which
// a person turns, pulls apart and hides; the view's state lives in the URL's fragment. The page
// loads nothing: the library's script comes inlined, and the puzzle's texts come as JSON that
// the page reads as data, never as script.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "shared/layers_drawing.h"

namespace cubepack {

// One move of a disassembly, as the page plays it.
struct PageMove {
  std::string pieces;       // the labels of the pieces that move
  std::array<int, 3> by{};  // how far, in the line's coordinates
  std::string text;         // as the text tells it, e.g. "B,C +x 2"
};

struct PageText {
  std::string title;               // the page's heading, any UTF-8 text
  std::vector<std::string> names;  // per legend label, its piece's name ("" for none)
  // With the moves: a player of them, under `movesTitle` (the level, or that it does not come
  // apart).
  bool withMoves = false;
  std::string movesTitle;
  std::vector<PageMove> moves;
};

// The page: `layers` drawn with `library` (three.js and its orbit controls, inlined as they
// are; it must not hold "</script" or "<!--"). Piece i of the legend takes PieceColour(i).
std::string DrawLayersPage(const Layers& layers, const PageText& text, std::string_view library);

// `text` as a JSON string, quotes included, safe inside a <script> element: '<', '>' and '&'
// written as \u escapes, so "</script>" in a name cannot end the element.
std::string ScriptJsonString(std::string_view text);

// `text` with &, <, >, " and ' as HTML character references.
std::string HtmlEscaped(std::string_view text);

}  // namespace cubepack
