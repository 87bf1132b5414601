#include "shared/layers_drawing.h"

#include <algorithm>
#include <array>
#include <string>

namespace cubepack {

namespace {

constexpr std::string_view kLayerGap = "   ";
constexpr std::string_view kHint = "(y = 0 on top, x to the right)";
constexpr int kTextColumns = 80;
// Colours before they are taken again: the built-in puzzle's twelve pieces each have their own.
constexpr std::size_t kColours = 12;

// ANSI foreground;background per piece: twelve backgrounds from the sixteen basic colours,
// each with the text colour that reads on it. More pieces take them again.
constexpr std::array<std::string_view, kColours> kAnsiColours = {
    "97;41",  "30;42",  "30;43",  "97;44",  "97;45",  "30;46",
    "30;101", "30;102", "30;103", "30;104", "30;105", "30;47",
};

struct SvgColour {
  std::string_view fill;
  std::string_view text;
};

// Twelve fills told apart at a glance, with a text colour that reads on each.
constexpr std::array<SvgColour, kColours> kSvgColours = {{
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

// After the twelve: chosen one by one from the 6-level colour cube, each the farthest from
// those before it, none near white (the page's ground) or black (its edges); any two of the
// 62 lie at least 60 apart in RGB.
constexpr std::array<std::string_view, kPieceColours - kColours> kMoreColours = {
    "#000066", "#0000ff", "#006600", "#00ff00", "#00ff99", "#660000", "#9999ff", "#99ffcc",
    "#66ff00", "#cc6699", "#006666", "#660066", "#6600ff", "#66ff66", "#0099ff", "#ffff99",
    "#ff0099", "#999966", "#cc0000", "#669900", "#333399", "#00ffff", "#0033cc", "#00cccc",
    "#3300cc", "#336633", "#33cc00", "#33ff33", "#663333", "#666666", "#990033", "#993366",
    "#9933ff", "#9966cc", "#99cc00", "#99cc99", "#ff3300", "#ffcc66", "#009999", "#009933",
    "#00cc66", "#ff9999", "#cc66ff", "#cc9900", "#cc00cc", "#6699cc", "#ccff00", "#3333ff",
    "#ff6666", "#33ffcc"};

char CellAt(const Layers& l, int x, int y, int z) {
  return l.cells[static_cast<std::size_t>(x + l.sizeX * (y + l.sizeY * z))];
}

std::size_t ColourOf(const Layers& l, char c) {
  const std::size_t at = l.legend.find(c);
  return (at == std::string_view::npos ? 0 : at) % kColours;
}

// A cell that may stay empty and does: drawn plain, no piece's colour.
constexpr char kLeftEmpty = '+';
std::string_view SvgFill(const Layers& l, char c) {
  return c == kLeftEmpty ? "#fff" : kSvgColours[ColourOf(l, c)].fill;
}
std::string_view SvgText(const Layers& l, char c) {
  return c == kLeftEmpty ? "#000" : kSvgColours[ColourOf(l, c)].text;
}

std::string LayerName(int z) { return "z = " + std::to_string(z); }

// Layers that fit side by side in `room`, each `width` wide and a gap apart; at least one.
int LayersPerRow(int room, int width, int gap) { return std::max(1, (room + gap) / (width + gap)); }

}  // namespace

std::string_view PieceColour(std::size_t index) {
  index %= kPieceColours;
  return index < kColours ? kSvgColours[index].fill : kMoreColours[index - kColours];
}

std::string DrawLayersText(const Layers& layers, bool colour) {
  const int width =
      std::max<int>(layers.sizeX, static_cast<int>(LayerName(layers.sizeZ - 1).size()));
  const int perRow = LayersPerRow(kTextColumns, width, static_cast<int>(kLayerGap.size()));
  std::string out;
  for (int first = 0; first < layers.sizeZ; first += perRow) {
    const int last = std::min(layers.sizeZ, first + perRow) - 1;
    std::string header;
    for (int z = first; z <= last; ++z) {
      std::string name = LayerName(z);
      if (z < last) name.resize(static_cast<std::size_t>(width), ' ');
      header += name;
      if (z < last) header += kLayerGap;
    }
    if (first == 0) {
      // The hint ends the first header where it fits, else it stands on a line of its own.
      if (header.size() + kLayerGap.size() + kHint.size() <= kTextColumns)
        header += std::string(kLayerGap) + std::string(kHint);
      else
        out += std::string(kHint) + "\n";
    } else {
      out += '\n';
    }
    out += header + '\n';
    for (int y = 0; y < layers.sizeY; ++y) {
      for (int z = first; z <= last; ++z) {
        if (z > first) out += kLayerGap;
        for (int x = 0; x < layers.sizeX; ++x) {
          const char c = CellAt(layers, x, y, z);
          if (colour)
            out += c == '.' || c == kLeftEmpty
                       ? std::string("\x1b[0m")
                       : "\x1b[" + std::string(kAnsiColours[ColourOf(layers, c)]) + "m";
          out += c;
        }
        if (colour) out += "\x1b[0m";
        if (z < last) out.append(static_cast<std::size_t>(width - layers.sizeX), ' ');
      }
      out += '\n';
    }
  }
  return out;
}

namespace {

constexpr int kCell = 36;        // side of a cell
constexpr int kMargin = 16;      // around everything
constexpr int kLabelBand = 28;   // above each layer, for its label
constexpr int kGap = 36;         // between layers
constexpr int kRowGap = 16;      // between rows of layers
constexpr int kLegendItem = 51;  // width of one swatch and its label
constexpr int kLegendRow = 28;   // height of a row of the legend
constexpr int kSwatch = 20;
constexpr int kMaxSvgWidth = 1200;

std::string Num(int v) { return std::to_string(v); }

std::string Line(int x1, int y1, int x2, int y2) {
  return "<line x1=\"" + Num(x1) + "\" y1=\"" + Num(y1) + "\" x2=\"" + Num(x2) + "\" y2=\"" +
         Num(y2) + "\"/>\n";
}

// Where everything goes: the layers in rows of `perRow`, the legend below.
struct SvgLayout {
  int layerWidth, layerHeight, perRow, width, legendPerRow, legendTop, height;

  explicit SvgLayout(const Layers& l) {
    layerWidth = l.sizeX * kCell;
    layerHeight = l.sizeY * kCell;
    perRow = LayersPerRow(kMaxSvgWidth - 2 * kMargin, layerWidth, kGap);
    const int across = std::min(perRow, l.sizeZ);
    const int rows = (l.sizeZ + perRow - 1) / perRow;
    width = 2 * kMargin + across * layerWidth + (across - 1) * kGap;
    legendPerRow = std::max(1, (width - 2 * kMargin) / kLegendItem);
    legendTop = GridTop(rows - 1) + layerHeight + 24;
    const int items = static_cast<int>(l.legend.size());
    const int legendRows = std::max(1, (items + legendPerRow - 1) / legendPerRow);
    height = legendTop + (legendRows - 1) * kLegendRow + kSwatch + kMargin;
  }
  int GridTop(int row) const {
    return kMargin + kLabelBand + row * (kLabelBand + layerHeight + kRowGap);
  }
  int Left(int z) const { return kMargin + z % perRow * (layerWidth + kGap); }
  int Top(int z) const { return GridTop(z / perRow); }
};

// Calls f(x, y, z, c) for every cell of the target, layer by layer.
template <class F>
void ForEachCell(const Layers& layers, F f) {
  for (int z = 0; z < layers.sizeZ; ++z)
    for (int y = 0; y < layers.sizeY; ++y)
      for (int x = 0; x < layers.sizeX; ++x)
        if (const char c = CellAt(layers, x, y, z); c != '.') f(x, y, z, c);
}

// Cells: fill, a thin grid line on every side, the piece's character.
std::string SvgCells(const Layers& layers, const SvgLayout& at) {
  std::string out = "<g stroke=\"#000\" stroke-opacity=\"0.3\" stroke-width=\"1\">\n";
  ForEachCell(layers, [&](int x, int y, int z, char c) {
    out += "<rect x=\"" + Num(at.Left(z) + x * kCell) + "\" y=\"" + Num(at.Top(z) + y * kCell) +
           "\" width=\"" + Num(kCell) + "\" height=\"" + Num(kCell) + "\" fill=\"" +
           std::string(SvgFill(layers, c)) + "\"/>\n";
  });
  out += "</g>\n";
  out += "<g font-size=\"15\" text-anchor=\"middle\" dominant-baseline=\"central\">\n";
  ForEachCell(layers, [&](int x, int y, int z, char c) {
    out += "<text x=\"" + Num(at.Left(z) + x * kCell + kCell / 2) + "\" y=\"" +
           Num(at.Top(z) + y * kCell + kCell / 2) + "\" fill=\"" + std::string(SvgText(layers, c)) +
           "\">" + c + "</text>\n";
  });
  out += "</g>\n";
  return out;
}

// Heavy lines where two pieces (or a piece and no cell) meet and around each layer.
std::string SvgBoundaries(const Layers& layers, const SvgLayout& at) {
  const int sx = layers.sizeX, sy = layers.sizeY;
  std::string out =
      "<g stroke=\"#000\" stroke-width=\"3\" stroke-linecap=\"square\" fill=\"none\">\n";
  for (int z = 0; z < layers.sizeZ; ++z) {
    const int left = at.Left(z), top = at.Top(z);
    for (int y = 0; y < sy; ++y)
      for (int x = 0; x < sx; ++x) {
        const char c = CellAt(layers, x, y, z);
        const int cx = left + x * kCell, cy = top + y * kCell;
        if (x + 1 < sx && CellAt(layers, x + 1, y, z) != c)
          out += Line(cx + kCell, cy, cx + kCell, cy + kCell);
        if (y + 1 < sy && CellAt(layers, x, y + 1, z) != c)
          out += Line(cx, cy + kCell, cx + kCell, cy + kCell);
      }
    out += "<rect x=\"" + Num(left) + "\" y=\"" + Num(top) + "\" width=\"" + Num(at.layerWidth) +
           "\" height=\"" + Num(at.layerHeight) + "\"/>\n";
  }
  out += "</g>\n";
  return out;
}

// The layers' labels and the legend.
std::string SvgLabels(const Layers& layers, const SvgLayout& at) {
  std::string out = "<g font-size=\"16\">\n";
  for (int z = 0; z < layers.sizeZ; ++z)
    out += "<text x=\"" + Num(at.Left(z)) + "\" y=\"" + Num(at.Top(z) - 9) + "\">" + LayerName(z) +
           (z == 0 ? " (y = 0 on top)" : "") + "</text>\n";
  for (int i = 0; i < static_cast<int>(layers.legend.size()); ++i) {
    const int x = kMargin + i % at.legendPerRow * kLegendItem;
    const int y = at.legendTop + i / at.legendPerRow * kLegendRow;
    const char c = layers.legend[static_cast<std::size_t>(i)];
    out += "<rect x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" width=\"" + Num(kSwatch) +
           "\" height=\"" + Num(kSwatch) + "\" fill=\"" +
           std::string(kSvgColours[ColourOf(layers, c)].fill) + "\" stroke=\"#000\"/>\n";
    out += "<text x=\"" + Num(x + kSwatch + 5) + "\" y=\"" + Num(y + kSwatch - 4) + "\">" + c +
           "</text>\n";
  }
  out += "</g>\n";
  return out;
}

}  // namespace

std::string DrawLayersSvg(const Layers& layers) {
  const SvgLayout at(layers);
  std::string out;
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(at.width) + "\" height=\"" +
         Num(at.height) + "\" viewBox=\"0 0 " + Num(at.width) + " " + Num(at.height) +
         "\" font-family=\"sans-serif\">\n";
  out += "<title>" + std::string(layers.cells) + "</title>\n";
  out += "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
  out += SvgCells(layers, at) + SvgBoundaries(layers, at) + SvgLabels(layers, at);
  out += "</svg>\n";
  return out;
}

}  // namespace cubepack
