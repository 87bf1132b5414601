#pragma once
// --disassemble and --moves: each listed class's assembly taken apart on the listing's
// threads, its level written after its line, tallied by level, or told move by move.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/count_json.h"
#include "general/input/puzzle_file.h"
#include "general/model/puzzle_line.h"
#include "general/solver/disassembly.h"
#include "general/solver/polycube_list.h"

namespace cubepack {

// What --disassemble makes of each listed line.
enum class LevelLines {
  kAppend,         // the line, a space, and its level or "-"
  kSolutionsOnly,  // the same for the lines that come apart, the others left out
  kLevelsOnly,     // the level or "-" alone, for a tally
};

// "" when the puzzle's assemblies can be taken apart here, else why not.
std::string DisassemblyFault(const general::PuzzleLine& line);

// Each worker's LineWork for a listing with --disassemble.
std::unique_ptr<general::LineWork> MakeLevelWork(const general::PuzzleText& text,
                                                 const general::PuzzleLine& line, LevelLines mode);

// Adds a task's lines of levels (kLevelsOnly) to `levels`; returns how many come apart.
std::uint64_t TallyLevels(std::string_view lines, LevelCounts& levels);

// The disassembly of one line, move by move, as show --moves tells it.
struct ShownMove {
  std::string pieces;  // their labels
  int direction = 0;
  int distance = 0;  // 0: out
};
struct ShownDisassembly {
  bool solution = false;
  std::string level;
  std::vector<ShownMove> moves;
};
ShownDisassembly DisassembleLine(const general::PuzzleText& text, const general::PuzzleLine& line,
                                 std::string_view chars);

// The level, then one line per move, e.g. "3: B,C +x 2" or "4: B +z out"; or that it does not
// come apart.
std::string MovesText(const ShownDisassembly& d);

// "1 move", "4 moves".
std::string MovesCount(std::size_t moves);

// A move as the text tells it: "B,C +x 2".
std::string MoveText(const ShownMove& m);

}  // namespace cubepack
