// libFuzzer target: any bytes as a puzzle file. The reader must give a puzzle or one fault
// line, never crash or read out of bounds; a puzzle it gives must build, with its pieces'
// cubes adding up to the target's cells and every placement inside the target.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "general/input/puzzle_file.h"
#include "general/model/polycube_puzzle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const cubepack::general::PuzzleParse parse = cubepack::general::ParsePuzzle(text);
  if (!parse.error.empty()) {
    if (parse.error.find('\n') != std::string_view::npos) std::abort();
    return 0;
  }
  std::size_t cubes = 0;
  for (const cubepack::general::PuzzlePiece& p : parse.puzzle.pieces) cubes += p.cubes.size();
  const std::size_t cells = parse.puzzle.target.size();
  if (cubes != cells || cells == 0 || cells > cubepack::general::kMaxTargetCells) std::abort();
  for (const bool mirror : {false, true}) {
    const cubepack::general::PuzzleBuild build =
        cubepack::general::BuildPolycubePuzzle(parse.puzzle, mirror);
    if (!build.error.empty()) continue;
    const cubepack::general::WideMask inside =
        cubepack::general::FirstCells(static_cast<int>(cells));
    for (const cubepack::general::ClassPlacement& p : build.puzzle.placements)
      if (!((p.mask & ~inside).Empty()) ||
          p.mask.Count() != build.puzzle.classes[p.shapeClass].size)
        std::abort();
    if (build.puzzle.symmetries.empty()) std::abort();
  }
  return 0;
}
