#include "app/packing_drawing.h"

#include <string_view>

#include "shared/layers_drawing.h"

namespace cubepack {

using namespace cubepack::builtin;

namespace {

Layers LayersOf(const std::string& line) {
  return {kSizeX, kSizeY, kSizeZ, std::string_view(line).substr(0, kCellCount), "0123456789AB"};
}

}  // namespace

std::string DrawPackingText(const Packing& packing, bool colour) {
  return DrawLayersText(LayersOf(FormatPackingLine(packing)), colour);
}

std::string DrawPackingSvg(const Packing& packing) {
  return DrawLayersSvg(LayersOf(FormatPackingLine(packing)));
}

}  // namespace cubepack
