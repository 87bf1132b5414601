#include "general/solver/link_search.h"

#include <algorithm>

#include "general/solver/unit_copies.h"

namespace cubepack::general {

namespace {

void AddHoleSet(LinkRows& out, const std::vector<std::uint32_t>& cells) {
  out.holeBegin.push_back(static_cast<std::uint32_t>(out.holeSets.size()));
  out.holeSets.insert(out.holeSets.end(), cells.begin(), cells.end());
}

void AddRow(LinkRows& out, const std::vector<int>& cells, LinkRow row) {
  row.begin = static_cast<std::uint32_t>(out.cells.size());
  for (const int x : cells) out.cells.push_back(static_cast<std::uint32_t>(x));
  row.end = static_cast<std::uint32_t>(out.cells.size());
  out.rows.push_back(row);
}

}  // namespace

LinkRows PlacementRows(const PolycubePuzzle& p) {
  LinkRows out;
  for (std::size_t i = 0; i < p.placements.size(); ++i) {
    LinkRow row;
    row.c[0] = row.c[1] = static_cast<std::uint8_t>(p.placements[i].shapeClass);
    row.n[0] = 1;
    row.placement = static_cast<int>(i);
    AddRow(out, p.placements[i].mask.Cells(), row);
  }
  for (std::size_t x = 0; x < p.cells.size(); ++x) AddHoleSet(out, {static_cast<std::uint32_t>(x)});
  out.holeBegin.push_back(static_cast<std::uint32_t>(out.holeSets.size()));
  return out;
}

LinkRows UnitRows(const PolycubePuzzle& p, int g) {
  LinkRows out;
  const int placements = static_cast<int>(p.placements.size());
  const int* image = p.placementImages.data() + static_cast<std::size_t>(g) * placements;
  std::vector<int> used(p.classes.size(), 0);
  for (int q = 0; q < placements; ++q) {
    CellSet cells = p.placements[q].mask;
    std::fill(used.begin(), used.end(), 0);
    used[p.placements[q].shapeClass] = 1;
    bool fits = true;
    // Each unit once, from its least member; a reflection of a piece without its mirror image
    // is in no packing that g maps onto itself.
    for (int member = image[q]; member != q && fits; member = image[member]) {
      fits = member > q && !p.placements[member].mask.Meets(cells);
      if (!fits) break;
      cells |= p.placements[member].mask;
      ++used[p.placements[member].shapeClass];
    }
    if (!fits) continue;
    LinkRow row;
    int k = 0;
    for (std::size_t c = 0; c < used.size() && fits; ++c) {
      if (used[c] == 0) continue;
      fits = k < 2 && used[c] <= p.classes[c].copies;
      if (!fits) break;
      row.c[k] = static_cast<std::uint8_t>(c);
      row.n[k] = static_cast<std::uint8_t>(used[c]);
      ++k;
    }
    if (!fits) continue;
    if (k == 1) row.c[1] = row.c[0];
    AddRow(out, cells.Cells(), row);
  }
  for (std::size_t x = 0; x < p.cells.size(); ++x) {
    std::vector<std::uint32_t> orbit;
    for (int y = static_cast<int>(x);;) {
      orbit.push_back(static_cast<std::uint32_t>(y));
      y = p.symmetries[g].image[y];
      if (y == static_cast<int>(x)) break;
    }
    std::sort(orbit.begin(), orbit.end());
    AddHoleSet(out, orbit);
  }
  out.holeBegin.push_back(static_cast<std::uint32_t>(out.holeSets.size()));
  return out;
}

LinkSearch::LinkSearch(const PolycubePuzzle& p, const LinkRows& rows) : p_(p), rows_(rows) {
  cells_ = static_cast<int>(p.cells.size());
  const int classes = static_cast<int>(p.classes.size());
  primary_ = cells_ + classes;
  secondary_ = primary_ + 1;
  const std::size_t nodes =
      static_cast<std::size_t>(secondary_) + 1 + rows.cells.size() + 2 * rows.rows.size();
  for (auto* v : {&left_, &right_, &up_, &down_, &column_, &rowOf_}) v->assign(nodes, -1);
  size_.assign(static_cast<std::size_t>(primary_), 0);
  AddColumns();
  int node = secondary_ + 1;
  for (std::size_t r = 0; r < rows.rows.size(); ++r) {
    const LinkRow& row = rows.rows[r];
    std::vector<int> columns(rows.cells.begin() + row.begin, rows.cells.begin() + row.end);
    for (int k = 0; k < 2; ++k)
      if (row.n[k] > 0 && p.classes[row.c[k]].copies == 1) columns.push_back(cells_ + row.c[k]);
    rowFirst_.push_back(node);
    node = AddRow(static_cast<int>(r), columns, node);
  }
  for (auto* v : {&copies_, &minCopies_, &imagedMin_, &imagedMax_, &counts_})
    v->assign(static_cast<std::size_t>(classes), 0);
  for (int c = 0; c < classes; ++c) {
    copies_[c] = p.classes[c].copies;
    minCopies_[c] = p.classes[c].minCopies;
    imagedMin_[c] = p.classes[c].imagedMin;
    imagedMax_[c] = p.classes[c].imagedMax;
  }
  mirrorSome_ = p.mirrorPackings == MirrorPackings::kSome;
  path_.assign(static_cast<std::size_t>(cells_) + 1, -1);
}

// The two lists of columns, each in cell order: the cells to cover (and the pieces to place),
// and the others. A class of one copy is a column too, which the row of each of its placements
// meets: placed, its other rows leave every column; one that must be placed and has no row
// left ends the branch, and may be the column branched on. (Classes of more copies are counted
// instead.)
void LinkSearch::AddColumns() {
  for (const int head : {primary_, secondary_}) left_[head] = right_[head] = head;
  for (int x = 0; x < primary_; ++x) {
    const bool piece = x >= cells_;
    const bool listed =
        !piece || (p_.classes[x - cells_].copies == 1 && p_.classes[x - cells_].minCopies == 1);
    const int head = !piece && p_.optional.Has(x) ? secondary_ : primary_;
    left_[x] = right_[x] = x;
    if (listed) {
      left_[x] = left_[head];
      right_[x] = head;
      right_[left_[head]] = x;
      left_[head] = x;
    }
    up_[x] = down_[x] = column_[x] = x;
  }
}

// Row r's nodes from `node` on, one per column, linked in a circle; returns the next node.
int LinkSearch::AddRow(int r, const std::vector<int>& columns, int node) {
  const int first = node;
  for (const int x : columns) {
    column_[node] = x;
    rowOf_[node] = r;
    up_[node] = up_[x];
    down_[node] = x;
    down_[up_[x]] = node;
    up_[x] = node;
    ++size_[x];
    left_[node] = node == first ? node : node - 1;
    right_[node] = first;
    right_[left_[node]] = node;
    left_[first] = node;
    ++node;
  }
  return node;
}

void LinkSearch::Cover(int c) {
  right_[left_[c]] = right_[c];
  left_[right_[c]] = left_[c];
  for (int i = down_[c]; i != c; i = down_[i])
    for (int j = right_[i]; j != i; j = right_[j]) {
      down_[up_[j]] = down_[j];
      up_[down_[j]] = up_[j];
      --size_[column_[j]];
    }
}

void LinkSearch::Uncover(int c) {
  for (int i = up_[c]; i != c; i = up_[i])
    for (int j = left_[i]; j != i; j = left_[j]) {
      ++size_[column_[j]];
      down_[up_[j]] = j;
      up_[down_[j]] = j;
    }
  right_[left_[c]] = c;
  left_[right_[c]] = c;
}

void LinkSearch::CoverRow(int node) {
  for (int j = right_[node]; j != node; j = right_[j]) Cover(column_[j]);
}

void LinkSearch::UncoverRow(int node) {
  for (int j = left_[node]; j != node; j = left_[j]) Uncover(column_[j]);
}

std::uint64_t LinkSearch::Count(const std::vector<int>& chosen, const int* counts) {
  std::copy(counts, counts + counts_.size(), counts_.begin());
  imaged_ = 0;
  // A chosen row's first node in the node array.
  std::vector<int> firstNode;
  for (const int r : chosen) {
    const int node = rowFirst_[r];
    firstNode.push_back(node);
    Cover(column_[node]);
    CoverRow(node);
    TakeCopies(counts_.data(), rows_.rows[r]);
  }
  std::copy(chosen.begin(), chosen.end(), path_.begin());
  const std::uint64_t total = Search(static_cast<int>(chosen.size()), 0);
  for (auto it = firstNode.rbegin(); it != firstNode.rend(); ++it) {
    UncoverRow(*it);
    Uncover(column_[*it]);
  }
  for (const int r : chosen) GiveCopies(counts_.data(), rows_.rows[r]);
  return total;
}

std::uint64_t LinkSearch::Search(int depth, int holes) {
  if (stop_ != nullptr && stop_->load(std::memory_order_relaxed)) return 0;
  if (right_[primary_] == primary_) return Rest(depth, holes);
  int best = right_[primary_];
  for (int c = right_[best]; c != primary_ && size_[best] > 1; c = right_[c])
    if (size_[c] < size_[best]) best = c;
  if (size_[best] == 0) return 0;
  return Branch(best, depth, holes, false);
}

std::uint64_t LinkSearch::Branch(int column, int depth, int holes, bool rest) {
  Cover(column);
  std::uint64_t total = 0;
  for (int r = down_[column]; r != column; r = down_[r]) {
    const LinkRow& row = rows_.rows[rowOf_[r]];
    if (!TakeCopies(counts_.data(), row)) continue;
    CoverRow(r);
    path_[depth] = rowOf_[r];
    total += rest ? Rest(depth + 1, holes) : Search(depth + 1, holes);
    UncoverRow(r);
    GiveCopies(counts_.data(), row);
  }
  Uncover(column);
  return total;
}

std::uint64_t LinkSearch::Rest(int depth, int holes) {
  const int y = right_[secondary_];
  if (y == secondary_) return Leaf(depth);
  std::uint64_t total = 0;
  const std::uint32_t* begin = rows_.holeSets.data() + rows_.holeBegin[y];
  const std::uint32_t* end = rows_.holeSets.data() + rows_.holeBegin[y + 1];
  const int more = static_cast<int>(end - begin);
  if (p_.maxHoles < 0 || holes + more <= p_.maxHoles) {
    for (const std::uint32_t* x = begin; x != end; ++x) Cover(static_cast<int>(*x));
    total += Rest(depth, holes + more);
    for (const std::uint32_t* x = end; x != begin;) Uncover(static_cast<int>(*--x));
  }
  return total + Branch(y, depth, holes, true);
}

std::uint64_t LinkSearch::Leaf(int depth) {
  for (std::size_t c = 0; c < counts_.size(); ++c)
    if (copies_[c] - counts_[c] < minCopies_[c]) return 0;
  if (mirrorSome_) {
    bool fits = true;
    for (std::size_t c = 0; c < counts_.size() && fits; ++c) {
      const int used = copies_[c] - counts_[c];
      fits = used >= imagedMin_[c] && used <= imagedMax_[c];
    }
    imaged_ += fits ? 1 : 0;
  }
  if (leaves_ != nullptr) leaves_->Packing(path_.data(), depth);
  return 1;
}

}  // namespace cubepack::general
