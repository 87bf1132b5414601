#include "app/puzzle_disassembly.h"

#include "general/solver/line_assembly.h"

namespace cubepack {
using namespace cubepack::general;

namespace {

class LevelWork final : public LineWork {
 public:
  LevelWork(const PuzzleText& text, const PuzzleLine& line, LevelLines mode)
      : text_(text), line_(line), mode_(mode) {}

  void Rewrite(std::string& lines, std::size_t& count) override {
    out_.clear();
    count = 0;
    for (std::size_t at = 0; at < lines.size();) {
      const std::size_t end = lines.find('\n', at);
      const std::string_view chars(lines.data() + at, end - at);
      const DisassemblyResult r = disassembler_.Run(AssemblyOfLine(text_, line_, chars).input);
      at = end + 1;
      if (mode_ == LevelLines::kSolutionsOnly && !r.solution) continue;
      if (mode_ != LevelLines::kLevelsOnly) {
        out_.append(chars);
        out_ += ' ';
      }
      out_ += r.solution ? r.level : "-";
      out_ += '\n';
      ++count;
    }
    lines.swap(out_);
  }

 private:
  const PuzzleText& text_;
  const PuzzleLine& line_;
  LevelLines mode_;
  Disassembler disassembler_;
  std::string out_;
};

}  // namespace

std::string DisassemblyFault(const PuzzleLine& line) {
  if (line.pieceLabel.size() <= static_cast<std::size_t>(kMaxDisassemblyPieces)) return "";
  return "--disassemble takes at most " + std::to_string(kMaxDisassemblyPieces) +
         " pieces; the puzzle has " + std::to_string(line.pieceLabel.size());
}

std::unique_ptr<LineWork> MakeLevelWork(const PuzzleText& text, const PuzzleLine& line,
                                        LevelLines mode) {
  return std::make_unique<LevelWork>(text, line, mode);
}

std::uint64_t TallyLevels(std::string_view lines, LevelCounts& levels) {
  std::uint64_t solutions = 0;
  for (std::size_t at = 0; at < lines.size();) {
    const std::size_t end = lines.find('\n', at);
    const std::string_view level = lines.substr(at, end - at);
    at = end + 1;
    if (level == "-") continue;
    ++solutions;
    auto it = levels.find(level);
    if (it == levels.end()) it = levels.emplace(std::string(level), 0).first;
    ++it->second;
  }
  return solutions;
}

ShownDisassembly DisassembleLine(const PuzzleText& text, const PuzzleLine& line,
                                 std::string_view chars) {
  const LineAssembly assembly = AssemblyOfLine(text, line, chars);
  Disassembler disassembler;
  const DisassemblyResult r = disassembler.Run(assembly.input, true);
  ShownDisassembly out{r.solution, r.level, {}};
  for (const DisassemblyMove& m : r.moves) {
    ShownMove shown{"", m.direction, m.distance};
    for (std::size_t i = 0; i < assembly.pieces.size(); ++i)
      if ((m.pieces >> i) & 1)
        shown.pieces += line.pieceLabel[static_cast<std::size_t>(assembly.pieces[i])];
    out.moves.push_back(std::move(shown));
  }
  return out;
}

std::string MovesCount(std::size_t moves) {
  return std::to_string(moves) + (moves == 1 ? " move" : " moves");
}

std::string MoveText(const ShownMove& m) {
  std::string s;
  for (const char label : m.pieces) {
    if (!s.empty()) s += ',';
    s += label;
  }
  s += ' ';
  s += DirectionName(m.direction);
  s += ' ';
  s += m.distance == 0 ? std::string("out") : std::to_string(m.distance);
  return s;
}

std::string MovesText(const ShownDisassembly& d) {
  if (!d.solution) return "does not come apart\n";
  std::string s = "level " + d.level + ", " + MovesCount(d.moves.size()) + "\n";
  for (std::size_t k = 0; k < d.moves.size(); ++k)
    s += std::to_string(k + 1) + ": " + MoveText(d.moves[k]) + "\n";
  return s;
}

}  // namespace cubepack
