#include "app/puzzle_listing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/packing_page_show.h"
#include "app/puzzle_count.h"
#include "app/puzzle_disassembly.h"
#include "app/puzzle_verify.h"
#include "general/model/puzzle_line.h"
#include "general/solver/polycube_list.h"
#include "shared/command_line.h"
#include "shared/index_file.h"
#include "shared/layers_drawing.h"
#include "shared/listing_output.h"
#include "shared/platform.h"

namespace cubepack {
using namespace cubepack::general;

namespace {

constexpr const char* kProgram = "cubepack-solutions";

int Fail(int status, const std::string& line) { return FailLine(status, line); }

// The puzzle and its lines; 0, or the exit status after one line on standard error.
struct ListedPuzzle {
  LoadedPuzzle loaded;
  PuzzleLine format;
  const PolycubePuzzle& puzzle() const { return loaded.build.puzzle; }
};

int Load(const SolutionsOptions& options, ListedPuzzle& out) {
  if (const int status = LoadPuzzle(options, out.loaded); status != 0) return status;
  PuzzleLineBuild made = MakePuzzleLine(out.loaded.text, out.puzzle());
  if (!made.error.empty()) return Fail(2, PuzzleSource(options) + ": " + made.error);
  out.format = std::move(made.format);
  return 0;
}

// Hands the lines of tasks [begin, end) to the listing's output, the first `limit` of them
// (0: all).
class LineWriter final : public ListingSink {
 public:
  LineWriter(std::size_t begin, std::size_t end, std::int64_t limit, double progressEvery)
      : output(progressEvery), begin_(begin), end_(end), left_(limit > 0 ? limit : -1) {}

  // With --disassemble, each line's level is found on the thread that listed it.
  std::unique_ptr<LineWork> MakeLineWork() const override {
    if (listed_ == nullptr) return nullptr;
    return MakeLevelWork(listed_->loaded.text, listed_->format, mode_);
  }
  void Disassemble(const ListedPuzzle& listed, LevelLines mode) {
    listed_ = &listed;
    mode_ = mode;
  }

  bool TaskLines(std::size_t task, std::string_view lines, std::size_t count) override {
    if (left_ >= 0 && static_cast<std::int64_t>(count) >= left_) {
      std::size_t at = 0;
      for (std::int64_t k = 0; k < left_; ++k) at = lines.find('\n', at) + 1;
      output.Add(lines.substr(0, at), static_cast<std::size_t>(left_));
      return false;
    }
    if (left_ >= 0) left_ -= static_cast<std::int64_t>(count);
    output.Add(lines, count);
    output.Progress(task + 1 - begin_, end_ - begin_);
    return true;
  }

  ListingOutput output;

 private:
  std::size_t begin_, end_;
  std::int64_t left_;  // lines still to write, -1 for any number
  const ListedPuzzle* listed_ = nullptr;
  LevelLines mode_ = LevelLines::kAppend;
};

// Keeps line n (1-based) of the lines it is given and stops there; on the way, appends each
// task's count of lines to `counts` while they fit the index.
class LineFinder final : public ListingSink {
 public:
  LineFinder(std::int64_t n, std::vector<std::uint32_t>* counts) : left_(n), counts_(counts) {}
  bool TaskLines(std::size_t, std::string_view lines, std::size_t count) override {
    if (counts_ != nullptr) {
      if (count > std::numeric_limits<std::uint32_t>::max()) {
        counts_ = nullptr;  // more than the index holds: no index
      } else {
        counts_->push_back(static_cast<std::uint32_t>(count));
      }
    }
    if (static_cast<std::int64_t>(count) < left_) {
      left_ -= static_cast<std::int64_t>(count);
      return true;
    }
    std::size_t at = 0;
    while (--left_ > 0) at = lines.find('\n', at) + 1;
    line = lines.substr(at, lines.find('\n', at) - at);
    return false;
  }
  std::string line;  // empty until found

 private:
  std::int64_t left_;
  std::vector<std::uint32_t>* counts_;
};

// Line n (1-based) of the listing, or "" when it has fewer lines. The index of lines per task
// in the cache leads to the one task to list; where it stops short of n, the listing is walked
// on from there and the index saved for the runs after.
std::string FindLine(const PuzzleLister& lister, const ListedPuzzle& listed, std::int64_t n) {
  const PuzzleLine& format = listed.format;
  const std::size_t tasks = lister.Tasks();
  const std::uint64_t key = PuzzleIndexKey(
      listed.puzzle().hash, tasks, lister.Fingerprint(),
      std::string_view(format.pieceLabel.data(), format.pieceLabel.size()), format.pieceClass);
  std::vector<std::uint32_t> counts = LoadIndex(key, tasks);
  for (bool recounted = false;; recounted = true) {
    std::int64_t before = 0;
    const std::size_t task = TaskHolding(n, counts, before);
    if (task == counts.size()) {
      const std::size_t known = counts.size();
      std::vector<std::uint32_t> more = counts;
      LineFinder finder(n - before, &more);
      lister.List(known, tasks, HardwareJobs(), finder);
      // Only whole tasks, in order, go into the index.
      if (more.size() > known) SaveIndex(key, tasks, more);
      return finder.line;
    }
    // The one task, whose count of lines must be the index's.
    std::vector<std::uint32_t> listedCount;
    LineFinder finder(n - before, &listedCount);
    lister.List(task, task + 1, 1, finder);
    if (listedCount.size() == 1 && listedCount[0] == counts[task] && !finder.line.empty())
      return finder.line;
    // An index the listing disagrees with is counted anew, once.
    if (recounted) throw std::logic_error("the packing index disagrees with the listing");
    counts.clear();
  }
}

// The first line of standard input, at most `length` characters and its line end, without
// the line end. Returns what is wrong, or "". Stops two bytes past `length`: enough to know
// the line is too long.
std::string ReadInputLine(std::size_t length, std::string& line) {
  UseBinaryStdin();
  int c = 0;
  line.clear();
  for (; line.size() < length + 2 && (c = std::getc(stdin)) != EOF && c != '\n';)
    line += static_cast<char>(c);
  if (std::ferror(stdin)) return "cannot read standard input";
  if (line.empty() && c == EOF) return "no packing line on standard input";
  if (!line.empty() && line.back() == '\r' && (c == '\n' || c == EOF)) line.pop_back();
  return {};
}

// The page's heading and legend: the puzzle's name (else its file) and the pieces' names.
PageText PageOf(const ListedPuzzle& listed, const SolutionsOptions& options) {
  PageText text;
  text.title = listed.loaded.text.name.empty() ? PuzzleSource(options) : listed.loaded.text.name;
  text.title += options.packingNumber == 0 ? std::string(", a packing")
                                           : ", packing " + std::to_string(options.packingNumber);
  text.names = listed.format.pieceName;
  return text;
}

// The page's player of the moves. A part that comes out leaves by the box's size along the way
// it goes, once more for each part before it that way, so that the parts lie apart once out.
void AddPageMoves(const ShownDisassembly& d, const PuzzleLine& format, PageText& page) {
  page.withMoves = true;
  page.movesTitle =
      d.solution ? "level " + d.level + ", " + MovesCount(d.moves.size()) : "does not come apart";
  int out[kDisassemblyDirections] = {};
  for (const ShownMove& m : d.moves) {
    PageMove move{m.pieces, {}, MoveText(m)};
    const int reach = format.extent[static_cast<std::size_t>(m.direction / 2)] + 1;
    const int distance = m.distance != 0 ? m.distance : reach * ++out[m.direction];
    move.by[static_cast<std::size_t>(m.direction / 2)] =
        m.direction % 2 == 0 ? distance : -distance;
    page.moves.push_back(std::move(move));
  }
}

}  // namespace

int RunPuzzleList(const SolutionsOptions& options) {
  ListedPuzzle listed;
  if (const int status = Load(options, listed); status != 0) return status;
  if (options.disassemble)
    if (const std::string fault = DisassemblyFault(listed.format); !fault.empty())
      return Fail(2, PuzzleSource(options) + ": " + fault);
  const PuzzleLister lister(listed.puzzle(), listed.format);
  std::size_t begin = 0, end = lister.Tasks();
  if (options.shardCount > 0) {
    // A contiguous run of tasks, so that the shares in order are the whole listing.
    const std::size_t tasks = end, n = static_cast<std::size_t>(options.shardCount);
    begin = tasks * static_cast<std::size_t>(options.shardIndex) / n;
    end = tasks * static_cast<std::size_t>(options.shardIndex + 1) / n;
  }
  try {
    LineWriter writer(begin, end, options.limit, options.progress);
    if (options.disassemble)
      writer.Disassemble(listed,
                         options.solutionsOnly ? LevelLines::kSolutionsOnly : LevelLines::kAppend);
    lister.List(begin, end, options.jobs, writer);
    writer.output.Finish();
    return 0;
  } catch (const OutputError&) {
    return Fail(1, "cannot write to standard output");
  }
}

int RunPuzzleShow(const SolutionsOptions& options) {
  std::string library;
  if (options.html)
    if (const int status = ReadPageLibrary(library); status != 0) return status;
  ListedPuzzle listed;
  if (const int status = Load(options, listed); status != 0) return status;
  const PuzzleLine& format = listed.format;
  if (options.moves)
    if (const std::string fault = DisassemblyFault(format); !fault.empty())
      return Fail(2, PuzzleSource(options) + ": " + fault);
  std::string line;
  if (options.packingNumber == 0) {
    if (const std::string fault = ReadInputLine(static_cast<std::size_t>(format.length), line);
        !fault.empty())
      return Fail(2, fault);
    std::vector<int> pieces;
    const std::string fault =
        ParsePuzzleLine(format, listed.puzzle(), PlacementIndex(listed.puzzle()), line, pieces);
    if (!fault.empty()) return Fail(2, "not a packing: " + fault);
  } else {
    const PuzzleLister lister(listed.puzzle(), format);
    line = FindLine(lister, listed, options.packingNumber);
    if (line.empty())
      return Fail(2, "the listing has no packing " + std::to_string(options.packingNumber));
  }
  const std::string legend(format.pieceLabel.begin(), format.pieceLabel.end());
  const Layers layers{format.extent[0], format.extent[1], format.extent[2], line, legend};
  if (options.html) {
    PageText page = PageOf(listed, options);
    if (options.moves)
      AddPageMoves(DisassembleLine(listed.loaded.text, format, line), format, page);
    return WritePackingPage(layers, page, library);
  }
  if (options.moves)
    return WriteOut(kProgram, DrawLayersText(layers, ColourWanted()) + "\n" +
                                  MovesText(DisassembleLine(listed.loaded.text, format, line)));
  return WriteOut(kProgram,
                  options.svg ? DrawLayersSvg(layers) : DrawLayersText(layers, ColourWanted()));
}

int RunPuzzleVerify(const SolutionsOptions& options) {
  ListedPuzzle listed;
  if (const int status = Load(options, listed); status != 0) return status;
  PuzzleListingVerifier verifier(ListingSource(options.file), listed.puzzle(), listed.format);
  return VerifyListing(options.file, verifier);
}

}  // namespace cubepack
