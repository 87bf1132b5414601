#include "general/solver/line_assembly.h"

namespace cubepack::general {

LineAssembly AssemblyOfLine(const PuzzleText& text, const PuzzleLine& line,
                            std::string_view chars) {
  const int pieceCount = static_cast<int>(line.pieceLabel.size());
  std::vector<std::vector<Point>> cubes(static_cast<std::size_t>(pieceCount));
  const int ex = line.extent[0], ey = line.extent[1];
  for (std::size_t at = 0; at < chars.size(); ++at) {
    const int piece = line.pieceOfLabel[static_cast<unsigned char>(chars[at])];
    if (piece < 0) continue;
    const int i = static_cast<int>(at);
    cubes[static_cast<std::size_t>(piece)].push_back({i % ex, i / ex % ey, i / (ex * ey)});
  }
  LineAssembly out;
  bool grouped = false;
  for (const PuzzlePiece& p : text.pieces) {
    out.input.kindGroups.push_back(p.groups);
    grouped = grouped || !p.groups.empty();
  }
  for (int piece = 0; piece < pieceCount; ++piece) {
    if (cubes[static_cast<std::size_t>(piece)].empty()) continue;  // a copy the packing leaves out
    const int entry = line.pieceEntry[static_cast<std::size_t>(piece)];
    out.pieces.push_back(piece);
    out.input.pieces.push_back(std::move(cubes[static_cast<std::size_t>(piece)]));
    out.input.weight.push_back(text.pieces[static_cast<std::size_t>(entry)].weight);
    out.input.kind.push_back(entry);
  }
  if (!grouped) {
    out.input.kind.clear();
    out.input.kindGroups.clear();
  }
  return out;
}

}  // namespace cubepack::general
