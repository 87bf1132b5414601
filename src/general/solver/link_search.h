#pragma once
// The search for targets too large for the one- and two-word masks: exact cover by dancing
// links. Each cell is a column, each placement (or orbit unit) a row of its cells; covering a
// column unlinks every row that meets it, and uncovering links them back in reverse, so a node
// costs what its rows touch rather than the target's size, and memory is the rows' cells. The
// search branches on the cell that must be covered with the fewest rows left; once every such
// cell is covered, it decides the others one by one: left empty (with its orbit, for a
// symmetry's invariant packings) or covered.

#include <atomic>
#include <cstdint>
#include <vector>

#include "general/model/polycube_puzzle.h"

namespace cubepack::general {

// A row: its cells, and the copies of up to two classes it uses.
struct LinkRow {
  std::uint32_t begin = 0, end = 0;  // cells[begin, end) of the rows' cell list
  std::uint8_t c[2] = {0, 0};
  std::uint8_t n[2] = {0, 0};
  int placement = -1;  // the puzzle's placement, for a row of one piece
};

struct LinkRows {
  std::vector<LinkRow> rows;
  std::vector<std::uint32_t> cells;
  // holeSets[holeBegin[x] .. holeBegin[x + 1]): the cells left empty with cell x (x itself, or
  // its orbit under a symmetry).
  std::vector<std::uint32_t> holeBegin, holeSets;
};

// One row per placement, each cell its own hole set.
LinkRows PlacementRows(const PolycubePuzzle& p);

// The orbit units of symmetry g (unions of a placement's images, pairwise disjoint, within the
// copies), each cell's orbit under g its hole set.
LinkRows UnitRows(const PolycubePuzzle& p, int g);

// Takes each packing the search completes: its rows, in the order chosen.
class LinkLeaves {
 public:
  virtual ~LinkLeaves() = default;
  virtual void Packing(const int* rows, int count) = 0;
};

class LinkSearch {
 public:
  LinkSearch(const PolycubePuzzle& p, const LinkRows& rows);

  void ListTo(LinkLeaves* leaves, const std::atomic<bool>* stop) {
    leaves_ = leaves;
    stop_ = stop;
  }

  // The packings that hold the rows `chosen` (pairwise disjoint), with at most `counts[c]`
  // copies of each class left for the rest.
  std::uint64_t Count(const std::vector<int>& chosen, const int* counts);

  // Of the packings the last Count counted, those whose mirror image is a packing, where a
  // reflection maps only some packings onto packings.
  std::uint64_t Imaged() const { return imaged_; }

 private:
  void AddColumns();
  int AddRow(int r, const std::vector<int>& columns, int node);
  void Cover(int c);
  void Uncover(int c);
  void CoverRow(int node);
  void UncoverRow(int node);
  std::uint64_t Search(int depth, int holes);
  std::uint64_t Rest(int depth, int holes);
  std::uint64_t Leaf(int depth);
  std::uint64_t Branch(int column, int depth, int holes, bool rest);

  const PolycubePuzzle& p_;
  const LinkRows& rows_;
  int cells_ = 0;
  int primary_ = 0, secondary_ = 0;  // the two lists' heads
  // Nodes: a header per cell and per class, the two heads, then one node per column of each
  // row (its cells, and its classes of one copy).
  std::vector<int> left_, right_, up_, down_, column_, rowOf_;
  std::vector<int> size_;
  std::vector<int> rowFirst_;
  std::vector<int> copies_, minCopies_, imagedMin_, imagedMax_;
  std::vector<int> counts_;  // copies left: a large target may hold hundreds of one shape
  std::vector<int> path_;
  std::vector<int> pieces_;
  std::uint64_t imaged_ = 0;
  bool mirrorSome_ = false;
  LinkLeaves* leaves_ = nullptr;
  const std::atomic<bool>* stop_ = nullptr;
};

}  // namespace cubepack::general
