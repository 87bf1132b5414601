// libFuzzer target: any bytes as a puzzle file. The reader must give a puzzle or one fault
// line, never crash or read out of bounds; a puzzle it gives must pass the volume check again,
// keep weights and groups in range, and build, with every placement inside the target and of its
// class's size.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "general/input/puzzle_file.h"
#include "general/model/polycube_puzzle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const cubepack::general::PuzzleParse parse = cubepack::general::ParsePuzzle(text);
  if (!parse.error.empty()) {
    if (parse.error.find('\n') != std::string_view::npos) std::abort();
    return 0;
  }
  const std::size_t cells = parse.puzzle.target.size();
  if (cells == 0 || cells > cubepack::general::kMaxTargetCells ||
      !cubepack::general::CheckVolumes(parse.puzzle).empty())
    std::abort();
  for (const cubepack::general::PuzzlePiece& piece : parse.puzzle.pieces) {
    if (piece.weight < 1 || piece.weight > cubepack::general::kMaxWeight) std::abort();
    for (const cubepack::general::PieceGroup& g : piece.groups)
      if (g.id < 1 || g.id > cubepack::general::kMaxGroupId || g.count < 1 ||
          g.count > piece.maxCopies)
        std::abort();
  }
  // Large targets build slowly and the same way as small ones: the runs stay many.
  if (cells > 2048) return 0;
  for (const bool mirror : {false, true}) {
    const cubepack::general::PuzzleBuild build =
        cubepack::general::BuildPolycubePuzzle(parse.puzzle, mirror);
    if (!build.error.empty()) continue;
    for (const cubepack::general::ClassPlacement& p : build.puzzle.placements) {
      const std::vector<int> inside = p.mask.Cells();
      if (inside.empty() || inside.back() >= static_cast<int>(cells) ||
          p.mask.Count() != build.puzzle.classes[p.shapeClass].size)
        std::abort();
    }
    if (build.puzzle.symmetries.empty() ||
        build.puzzle.rotations > static_cast<int>(build.puzzle.symmetries.size()))
      std::abort();
  }
  return 0;
}
