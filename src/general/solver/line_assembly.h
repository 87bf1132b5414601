#pragma once
// The assembly that a listing line shows, ready for the disassembly: its pieces in label order
// (the file's order, copies in order), each where the line puts it, with its file piece's
// weight and groups.

#include <string_view>
#include <vector>

#include "general/input/puzzle_file.h"
#include "general/model/puzzle_line.h"
#include "general/solver/disassembly.h"

namespace cubepack::general {

struct LineAssembly {
  DisassemblyInput input;
  std::vector<int> pieces;  // per piece of the assembly: its piece (label) in the line's format
};

// `chars` is a line of `line`'s format without its line end (as the listing writes it).
LineAssembly AssemblyOfLine(const PuzzleText& text, const PuzzleLine& line, std::string_view chars);

}  // namespace cubepack::general
