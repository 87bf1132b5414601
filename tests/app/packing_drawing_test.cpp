// show's drawings of one packing: the text whole, and the SVG's cells and legend.

#include "app/packing_drawing.h"

#include <gtest/gtest.h>

#include <string>

#include "shared/layers_drawing.h"

namespace cubepack {

using namespace cubepack::builtin;
namespace {

Packing Known() {
  Packing p{};
  const std::string_view line = "11023100031106315993B2222BB8668886655893B77AA7744A744AA55499";
  EXPECT_EQ(ParsePackingLine(line, p), "");
  return p;
}

std::size_t Count(const std::string& text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(PackingDrawing, TextShowsTheThreeLayersSideBySide) {
  EXPECT_EQ(DrawPackingText(Known(), false),
            "z = 0   z = 1   z = 2   (y = 0 on top, x to the right)\n"
            "11023   B2222   B77AA\n"
            "10003   BB866   7744A\n"
            "11063   88866   744AA\n"
            "15993   55893   55499\n");
  const std::string coloured = DrawPackingText(Known(), true);
  EXPECT_NE(coloured.find("\x1b[30;42m1\x1b[30;42m1\x1b[97;41m0"), std::string::npos);
  EXPECT_EQ(Count(coloured, "\x1b[0m"), 12u);  // every layer row ends in a reset
}

TEST(PackingDrawing, SvgHasEveryCellAndTheLegend) {
  const std::string svg = DrawPackingSvg(Known());
  EXPECT_EQ(svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg "
                      "xmlns=\"http://www.w3.org/2000/svg\" width=",
                      0),
            0u);
  EXPECT_NE(svg.find("viewBox=\"0 0 "), std::string::npos);
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
  // Background, 60 cells, 3 layer outlines, 12 legend swatches.
  EXPECT_EQ(Count(svg, "<rect"), 1u + 60 + 3 + 12);
  EXPECT_EQ(Count(svg, "fill=\"#9a6324\""), 4u + 1);  // piece 11's four cells and its swatch
  EXPECT_EQ(Count(svg, "<text"), Count(svg, "</text>"));
  EXPECT_EQ(Count(svg, "<g"), Count(svg, "</g>"));
}

// Any box: layers narrower than their names are padded, and layers that would run past 80
// columns wrap onto further rows, each under its own header.
TEST(PackingDrawing, AnyBoxWrapsItsLayersAt80Columns) {
  EXPECT_EQ(DrawLayersText({3, 2, 2, "ab.abbcccdd.", "abcd"}, false),
            "z = 0   z = 1   (y = 0 on top, x to the right)\n"
            "ab.     ccc\n"
            "abb     dd.\n");
  std::string cells;
  for (int z = 0; z < 12; ++z) cells += "xyz";
  const std::string wide = DrawLayersText({3, 1, 12, cells, "xyz"}, false);
  EXPECT_EQ(wide,
            "(y = 0 on top, x to the right)\n"
            "z = 0    z = 1    z = 2    z = 3    z = 4    z = 5    z = 6    z = 7    z = 8\n"
            "xyz      xyz      xyz      xyz      xyz      xyz      xyz      xyz      xyz\n"
            "\n"
            "z = 9    z = 10   z = 11\n"
            "xyz      xyz      xyz\n");
  const std::string svg = DrawLayersSvg({3, 1, 12, cells, "xyz"});
  EXPECT_EQ(Count(svg, "<rect"), 1u + 36 + 12 + 3);  // no cell of '.' is drawn
  EXPECT_EQ(Count(DrawLayersSvg({3, 2, 2, "ab.abbcccdd.", "abcd"}), "<rect"), 1u + 10 + 2 + 4);
}

// A cell left empty is drawn plain: no piece's colour.
TEST(PackingDrawing, CellsLeftEmptyArePlain) {
  EXPECT_EQ(DrawLayersText({3, 1, 1, "a+b", "ab"}, true),
            "z = 0   (y = 0 on top, x to the right)\n\x1b[97;41ma\x1b[0m+\x1b[30;42mb\x1b[0m\n");
  const std::string svg = DrawLayersSvg({3, 1, 1, "a+b", "ab"});
  EXPECT_EQ(Count(svg, "height=\"36\" fill=\"#fff\"/>"), 1u);  // the cell, not the page
}

}  // namespace
}  // namespace cubepack
