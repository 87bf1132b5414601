#include "app/puzzle_verify.h"

namespace cubepack {

using namespace cubepack::general;

PuzzleListingVerifier::PuzzleListingVerifier(std::string source, const PolycubePuzzle& puzzle,
                                             const PuzzleLine& line)
    : StreamedListing(std::move(source), static_cast<std::size_t>(line.length)),
      puzzle_(puzzle),
      line_(line),
      index_(puzzle),
      key_(static_cast<std::size_t>(line.cells), ' '),
      best_(key_) {}

std::string PuzzleListingVerifier::Judge(std::string_view chars, std::int64_t number) {
  const std::string fault = ParsePuzzleLine(line_, puzzle_, index_, chars, pieces_);
  if (!fault.empty()) return fault;
  // The least key of the packing's images; the first symmetry that gives it, so that a line
  // that repeats another exactly is called that.
  const int count = static_cast<int>(pieces_.size());
  int symmetry = 0;
  WritePackingKey(line_, puzzle_, pieces_.data(), count, 0, best_.data());
  // A reflection joins the class only where the mirror image is a packing.
  const int symmetries =
      MirrorImageIsPacking(puzzle_, pieces_.data(), count) ? line_.symmetries : puzzle_.rotations;
  for (int g = 1; g < symmetries; ++g) {
    WritePackingKey(line_, puzzle_, pieces_.data(), count, g, key_.data());
    if (key_ < best_) best_.swap(key_), symmetry = g;
  }
  const auto [it, added] = seen_.try_emplace(best_, Seen{number, symmetry});
  if (added) return {};
  return Relation(it->second.line, it->second.symmetry, symmetry);
}

std::string PuzzleListingVerifier::Relation(std::int64_t earlier, int earlierSymmetry,
                                            int symmetry) const {
  // This line's packing is the earlier one taken by earlierSymmetry, then back by the inverse
  // of this line's symmetry.
  const std::vector<int>& to = puzzle_.symmetries[earlierSymmetry].image;
  const std::vector<int>& from = puzzle_.symmetries[symmetry].image;
  std::vector<int> back(from.size()), composed(from.size());
  for (std::size_t i = 0; i < from.size(); ++i) back[from[i]] = static_cast<int>(i);
  for (std::size_t i = 0; i < to.size(); ++i) composed[i] = back[to[i]];
  const std::string other = "line " + std::to_string(earlier);
  for (std::size_t k = 0; k < puzzle_.symmetries.size(); ++k) {
    const CellSymmetry& h = puzzle_.symmetries[k];
    if (h.image != composed) continue;
    if (k == 0) return "same packing as " + other;
    return other + (h.proper ? " turned by " : " reflected by ") + DescribeTurn(h.turn);
  }
  return "same packing as " + other + " under a symmetry of the target";  // never: a group
}

}  // namespace cubepack
