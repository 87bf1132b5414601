#include "app/packing_drawing.h"

#include <array>
#include <string_view>

namespace cubepack {

namespace {

constexpr std::string_view kLayerGap = "   ";

// ANSI foreground;background per piece: twelve backgrounds from the sixteen basic colours,
// each with the text colour that reads on it.
constexpr std::array<std::string_view, kPieceCount> kAnsiColours = {
    "97;41",  "30;42",  "30;43",  "97;44",  "97;45",  "30;46",
    "30;101", "30;102", "30;103", "30;104", "30;105", "30;47",
};

struct SvgColour {
  std::string_view fill;
  std::string_view text;
};

// Twelve fills told apart at a glance, with a text colour that reads on each.
constexpr std::array<SvgColour, kPieceCount> kSvgColours = {{
    {"#e6194b", "#fff"},
    {"#3cb44b", "#fff"},
    {"#ffe119", "#000"},
    {"#4363d8", "#fff"},
    {"#f58231", "#000"},
    {"#911eb4", "#fff"},
    {"#42d4f4", "#000"},
    {"#f032e6", "#000"},
    {"#bfef45", "#000"},
    {"#fabed4", "#000"},
    {"#469990", "#fff"},
    {"#9a6324", "#fff"},
}};

int PieceAt(const Packing& p, int x, int y, int z) { return p[BitNumber(x, y, z)]; }

}  // namespace

std::string DrawPackingText(const Packing& packing, bool colour) {
  std::string out = "z = 0   z = 1   z = 2   (y = 0 on top, x to the right)\n";
  for (int y = 0; y < kSizeY; ++y) {
    for (int z = 0; z < kSizeZ; ++z) {
      if (z > 0) out += kLayerGap;
      for (int x = 0; x < kSizeX; ++x) {
        const int piece = PieceAt(packing, x, y, z);
        if (colour) out += "\x1b[" + std::string(kAnsiColours[piece]) + "m";
        out += CharOfPiece(piece);
      }
      if (colour) out += "\x1b[0m";
    }
    out += '\n';
  }
  return out;
}

namespace {

constexpr int kCell = 36;        // side of a cell
constexpr int kMargin = 16;      // around everything
constexpr int kLabelBand = 28;   // above each layer, for its label
constexpr int kGap = 36;         // between layers
constexpr int kLegendItem = 51;  // width of one swatch and its number
constexpr int kSwatch = 20;
constexpr int kLayerWidth = kSizeX * kCell;
constexpr int kGridTop = kMargin + kLabelBand;
constexpr int kLegendTop = kGridTop + kSizeY * kCell + 24;
constexpr int kWidth = 2 * kMargin + kSizeZ * kLayerWidth + (kSizeZ - 1) * kGap;
constexpr int kHeight = kLegendTop + kSwatch + kMargin;

int LayerLeft(int z) { return kMargin + z * (kLayerWidth + kGap); }

std::string Num(int v) { return std::to_string(v); }

std::string Line(int x1, int y1, int x2, int y2) {
  return "<line x1=\"" + Num(x1) + "\" y1=\"" + Num(y1) + "\" x2=\"" + Num(x2) + "\" y2=\"" +
         Num(y2) + "\"/>\n";
}

}  // namespace

std::string DrawPackingSvg(const Packing& packing) {
  std::string out;
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(kWidth) + "\" height=\"" +
         Num(kHeight) + "\" viewBox=\"0 0 " + Num(kWidth) + " " + Num(kHeight) +
         "\" font-family=\"sans-serif\">\n";
  out += "<title>" + FormatPackingLine(packing).substr(0, kCellCount) + "</title>\n";
  out += "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";

  // Cells: fill, a thin grid line on every side, the piece's character.
  out += "<g stroke=\"#000\" stroke-opacity=\"0.3\" stroke-width=\"1\">\n";
  for (int z = 0; z < kSizeZ; ++z)
    for (int y = 0; y < kSizeY; ++y)
      for (int x = 0; x < kSizeX; ++x)
        out += "<rect x=\"" + Num(LayerLeft(z) + x * kCell) + "\" y=\"" +
               Num(kGridTop + y * kCell) + "\" width=\"" + Num(kCell) + "\" height=\"" +
               Num(kCell) + "\" fill=\"" +
               std::string(kSvgColours[PieceAt(packing, x, y, z)].fill) + "\"/>\n";
  out += "</g>\n";
  out += "<g font-size=\"15\" text-anchor=\"middle\" dominant-baseline=\"central\">\n";
  for (int z = 0; z < kSizeZ; ++z)
    for (int y = 0; y < kSizeY; ++y)
      for (int x = 0; x < kSizeX; ++x) {
        const int piece = PieceAt(packing, x, y, z);
        out += "<text x=\"" + Num(LayerLeft(z) + x * kCell + kCell / 2) + "\" y=\"" +
               Num(kGridTop + y * kCell + kCell / 2) + "\" fill=\"" +
               std::string(kSvgColours[piece].text) + "\">" + CharOfPiece(piece) + "</text>\n";
      }
  out += "</g>\n";

  // Heavy lines where two pieces meet and around each layer.
  out += "<g stroke=\"#000\" stroke-width=\"3\" stroke-linecap=\"square\" fill=\"none\">\n";
  for (int z = 0; z < kSizeZ; ++z) {
    const int left = LayerLeft(z);
    for (int y = 0; y < kSizeY; ++y)
      for (int x = 0; x < kSizeX; ++x) {
        const int piece = PieceAt(packing, x, y, z);
        const int cx = left + x * kCell, cy = kGridTop + y * kCell;
        if (x + 1 < kSizeX && PieceAt(packing, x + 1, y, z) != piece)
          out += Line(cx + kCell, cy, cx + kCell, cy + kCell);
        if (y + 1 < kSizeY && PieceAt(packing, x, y + 1, z) != piece)
          out += Line(cx, cy + kCell, cx + kCell, cy + kCell);
      }
    out += "<rect x=\"" + Num(left) + "\" y=\"" + Num(kGridTop) + "\" width=\"" + Num(kLayerWidth) +
           "\" height=\"" + Num(kSizeY * kCell) + "\"/>\n";
  }
  out += "</g>\n";

  // Labels and legend.
  out += "<g font-size=\"16\">\n";
  for (int z = 0; z < kSizeZ; ++z)
    out += "<text x=\"" + Num(LayerLeft(z)) + "\" y=\"" + Num(kGridTop - 9) + "\">z = " + Num(z) +
           (z == 0 ? " (y = 0 on top)" : "") + "</text>\n";
  for (int i = 0; i < kPieceCount; ++i) {
    const int x = kMargin + i * kLegendItem;
    out += "<rect x=\"" + Num(x) + "\" y=\"" + Num(kLegendTop) + "\" width=\"" + Num(kSwatch) +
           "\" height=\"" + Num(kSwatch) + "\" fill=\"" + std::string(kSvgColours[i].fill) +
           "\" stroke=\"#000\"/>\n";
    out += "<text x=\"" + Num(x + kSwatch + 5) + "\" y=\"" + Num(kLegendTop + kSwatch - 4) + "\">" +
           CharOfPiece(i) + "</text>\n";
  }
  out += "</g>\n</svg>\n";
  return out;
}

}  // namespace cubepack
