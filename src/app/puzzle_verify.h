#pragma once
// verify of a puzzle file's listing: each line a packing of the puzzle (model/puzzle_line.h),
// and no line another's packing under the target's symmetries (with --mirror, reflections
// too). Keeps one key per distinct packing: the least of its images' keys.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "general/model/polycube_puzzle.h"
#include "general/model/puzzle_line.h"
#include "shared/streamed_verify.h"

namespace cubepack {

class PuzzleListingVerifier final : public StreamedListing {
 public:
  // `puzzle` and `line` must outlive the verifier.
  PuzzleListingVerifier(std::string source, const general::PolycubePuzzle& puzzle,
                        const general::PuzzleLine& line);

 private:
  std::string Judge(std::string_view chars, std::int64_t number) override;
  // How line `earlier` becomes this one: its symmetry gave the key, and so did this line's.
  std::string Relation(std::int64_t earlier, int earlierSymmetry, int symmetry) const;

  struct Seen {
    std::int64_t line;
    int symmetry;  // the symmetry of that line's packing that gives the key
  };
  const general::PolycubePuzzle& puzzle_;
  const general::PuzzleLine& line_;
  general::PlacementIndex index_;
  std::vector<int> pieces_;
  std::string key_, best_;
  std::unordered_map<std::string, Seen> seen_;
};

}  // namespace cubepack
