#include "solver/polycube_count.h"

#include <algorithm>
#include <atomic>
#include <bitset>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "solver/cell_masks.h"

namespace cubepack {

namespace {

constexpr int kMaxClasses = 64;  // distinct shapes whose cubes add up to at most 128 cells: 29
// Tasks: the states a few pieces deep, expanded a piece at a time until there are at least
// kTasksWanted (enough for 64 threads to stay busy) or after kMaxExpansionRounds.
constexpr std::size_t kTasksWanted = 4096;
constexpr int kMaxExpansionRounds = 4;
// Measured on the pentomino boxes and the 5 x 4 x 3 puzzle: the candidate lists are filtered
// against the board once, at the task's start (filtering again deeper cost more than it
// saved); regions of empty cells are checked while more than kPruneUntilLeft pieces are left;
// the empty cells next to a new piece must each have a placement that fits while more than
// kDeadCellUntilLeft are left. The cover lists for that test are filtered with the candidate
// lists (a third fewer entries to scan) once a worker's tasks average more than
// kFilterCoverNodes nodes: the filter costs more than it saves on small tasks (6 x 10).
constexpr int kPruneUntilLeft = 6;
constexpr int kDeadCellUntilLeft = 4;
constexpr std::uint64_t kFilterCoverNodes = 4096;

struct Range {
  std::uint32_t begin = 0, end = 0;
};

// Sums of piece sizes up to 128 that some of the remaining pieces make: bit s - 1 for sum s.
using SizeSet = std::bitset<kMaxTargetCells>;

// A union of a placement's images under one symmetry g, pairwise disjoint: one unit of a
// packing that g maps onto itself. It uses `n[0]` copies of class c[0] and `n[1]` of c[1].
template <class M>
struct OrbitUnit {
  M mask;
  std::uint8_t c[2];
  std::uint8_t n[2];
};

template <class M>
struct CoverEntry {
  M mask;
  int anchor;
};

template <class M>
struct Tables {
  int cells = 0;
  int classes = 0;
  M outside{};                // bits that are no cell of the target: set on every board
  std::vector<M> masks;       // every placement, by anchor (its first cell), then by class
  std::vector<Range> ranges;  // [anchor * classes + class]
  // Every placement again under each of its cells, the highest anchor first.
  std::vector<CoverEntry<M>> cover;
  std::vector<Range> coverRanges;  // [cell * classes + class]
  std::vector<M> neighbours;       // [cell]
  // When every step in one direction is the same index offset (a box in search order) and
  // the mask is one word, a region grows by six shifts instead of cell by cell.
  bool shiftFlood = false;
  std::array<int, 6> stepOffset{};
  std::array<std::uint64_t, 6> stepFrom{};  // cells that have a neighbour in that direction
  std::array<int, kMaxClasses> size{};
  // Every piece has at least three cubes and the steps are shifts: an empty cell without empty
  // neighbours, or two with only each other, end the branch (a few shifts, no list scanned).
  bool pocketTest = false;
  std::array<std::uint8_t, kMaxClasses> copies{};
  int pieces = 0;
  // Per symmetry g != identity (index g - 1): its units filed by anchor.
  std::vector<std::vector<OrbitUnit<M>>> units;
  std::vector<std::vector<Range>> unitRanges;  // [g - 1][anchor]
};

template <class M>
struct Task {
  M board;
  std::array<std::uint8_t, kMaxClasses> counts;
  std::uint64_t avail;  // classes with copies left
  int left;             // pieces left
  int placed;           // pieces placed
  int symmetry;  // 0: a fixed-piece task; g > 0: packings that symmetry g maps onto themselves
  std::uint64_t weight;
};

using Key = std::pair<std::uint64_t, std::uint64_t>;
Key KeyOf(const WideMask& m) { return {m.hi, m.lo}; }

WideMask Image(const WideMask& m, const CellSymmetry& g, int cells) {
  WideMask out;
  for (int i = 0; i < cells; ++i)
    if (m.Has(i)) out.Set(g.image[i]);
  return out;
}

template <class M>
Tables<M> BuildTables(const PolycubePuzzle& p) {
  Tables<M> t;
  t.cells = static_cast<int>(p.cells.size());
  t.classes = static_cast<int>(p.classes.size());
  t.outside = FromWide<M>(~FirstCells(t.cells));
  for (int c = 0; c < t.classes; ++c) {
    t.size[c] = p.classes[c].size;
    t.copies[c] = static_cast<std::uint8_t>(p.classes[c].copies);
    t.pieces += p.classes[c].copies;
  }
  t.ranges.resize(static_cast<std::size_t>(t.cells) * t.classes);
  std::vector<std::vector<M>> filed(t.ranges.size());
  for (const ClassPlacement& pl : p.placements)
    filed[static_cast<std::size_t>(FirstSet(pl.mask)) * t.classes + pl.shapeClass].push_back(
        FromWide<M>(pl.mask));
  for (std::size_t i = 0; i < filed.size(); ++i) {
    t.ranges[i].begin = static_cast<std::uint32_t>(t.masks.size());
    t.masks.insert(t.masks.end(), filed[i].begin(), filed[i].end());
    t.ranges[i].end = static_cast<std::uint32_t>(t.masks.size());
  }
  {
    std::vector<std::vector<CoverEntry<M>>> under(t.ranges.size());
    for (const ClassPlacement& pl : p.placements)
      for (int cell = 0; cell < t.cells; ++cell)
        if (pl.mask.Has(cell))
          under[static_cast<std::size_t>(cell) * t.classes + pl.shapeClass].push_back(
              {FromWide<M>(pl.mask), FirstSet(pl.mask)});
    t.coverRanges.resize(under.size());
    for (std::size_t i = 0; i < under.size(); ++i) {
      std::stable_sort(
          under[i].begin(), under[i].end(),
          [](const CoverEntry<M>& a, const CoverEntry<M>& b) { return a.anchor > b.anchor; });
      t.coverRanges[i].begin = static_cast<std::uint32_t>(t.cover.size());
      t.cover.insert(t.cover.end(), under[i].begin(), under[i].end());
      t.coverRanges[i].end = static_cast<std::uint32_t>(t.cover.size());
    }
  }
  std::map<Point, int> index;
  for (int i = 0; i < t.cells; ++i) index[p.cells[i]] = i;
  t.neighbours.assign(t.cells, M{});
  for (int i = 0; i < t.cells; ++i) {
    WideMask n;
    const Point c = p.cells[i];
    const Point steps[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (const Point& s : steps)
      if (const auto it = index.find({c.x + s.x, c.y + s.y, c.z + s.z}); it != index.end())
        n.Set(it->second);
    t.neighbours[i] = FromWide<M>(n);
  }
  if (t.cells <= 64) {
    t.shiftFlood = true;
    const Point steps[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int d = 0; d < 6; ++d) {
      bool first = true;
      for (int i = 0; i < t.cells; ++i) {
        const Point c = p.cells[i];
        const auto it = index.find({c.x + steps[d].x, c.y + steps[d].y, c.z + steps[d].z});
        if (it == index.end()) continue;
        const int offset = it->second - i;
        if (first) t.stepOffset[d] = offset;
        if (offset != t.stepOffset[d]) t.shiftFlood = false;
        first = false;
        t.stepFrom[d] |= std::uint64_t{1} << i;
      }
    }
  }

  t.pocketTest = t.shiftFlood;
  for (int c = 0; c < t.classes; ++c) t.pocketTest = t.pocketTest && t.size[c] >= 3;

  // Orbit units of every symmetry but the identity.
  std::map<Key, int> placementOf;
  for (std::size_t i = 0; i < p.placements.size(); ++i)
    placementOf[KeyOf(p.placements[i].mask)] = static_cast<int>(i);
  for (std::size_t g = 1; g < p.symmetries.size(); ++g) {
    std::vector<std::vector<OrbitUnit<M>>> byAnchor(t.cells);
    for (const ClassPlacement& q : p.placements) {
      WideMask unionMask = q.mask;
      int used[kMaxClasses] = {};
      used[q.shapeClass] = 1;
      bool disjoint = true, least = true;
      WideMask member = Image(q.mask, p.symmetries[g], t.cells);
      while (!(member == q.mask)) {
        if (!(member & unionMask).Empty()) {
          disjoint = false;
          break;
        }
        if (KeyOf(member) < KeyOf(q.mask)) least = false;
        unionMask = unionMask | member;
        ++used[p.placements[placementOf.at(KeyOf(member))].shapeClass];
        member = Image(member, p.symmetries[g], t.cells);
      }
      if (!disjoint || !least) continue;  // each orbit once, from its least member
      OrbitUnit<M> u{FromWide<M>(unionMask), {0, 0}, {0, 0}};
      int k = 0;
      bool fits = true;
      for (int c = 0; c < t.classes; ++c) {
        if (used[c] == 0) continue;
        if (k == 2 || used[c] > p.classes[c].copies) {
          fits = false;
          break;
        }
        u.c[k] = static_cast<std::uint8_t>(c);
        u.n[k] = static_cast<std::uint8_t>(used[c]);
        ++k;
      }
      if (!fits) continue;
      if (k == 1) u.c[1] = u.c[0];  // n[1] stays 0
      byAnchor[FirstSet(unionMask)].push_back(u);
    }
    std::vector<OrbitUnit<M>> units;
    std::vector<Range> ranges(t.cells);
    for (int a = 0; a < t.cells; ++a) {
      ranges[a].begin = static_cast<std::uint32_t>(units.size());
      units.insert(units.end(), byAnchor[a].begin(), byAnchor[a].end());
      ranges[a].end = static_cast<std::uint32_t>(units.size());
    }
    t.units.push_back(std::move(units));
    t.unitRanges.push_back(std::move(ranges));
  }
  return t;
}

// Candidate lists: masks and ranges by anchor and class, the whole table or filtered copies;
// with filtered copies also the cover lists, by cell and class.
template <class M>
struct Lists {
  const M* masks;
  const Range* ranges;
  const CoverEntry<M>* cover = nullptr;
  const Range* coverRanges = nullptr;
};

template <class M>
class Searcher {
 public:
  explicit Searcher(const Tables<M>& t)
      : t_(t),
        filtered_(t.masks.size()),
        filteredRanges_(t.ranges.size()),
        cover_(t.cover.size()),
        coverRanges_(t.coverRanges.size()) {
    // No witness yet: a mask that hits every board (a task's board is never empty).
    for (Witness& w : witness_) w.mask = ~M{};
  }

  std::uint64_t Count(const Task<M>& task) {
    counts_ = task.counts;
    if (IsFull(task.board)) return 1;
    if (task.symmetry > 0) {
      units_ = t_.units[task.symmetry - 1].data();
      unitRanges_ = t_.unitRanges[task.symmetry - 1].data();
      return Invariant(task.board);
    }
    if (task.left == 1) return Last(task.board, task.avail, {t_.masks.data(), t_.ranges.data()});
    const bool filterCover = meanNodes_ > kFilterCoverNodes;
    const std::uint64_t before = nodes_;
    const std::uint64_t total =
        Search(task.board, task.avail, task.left, Filter(task.board, task.avail, filterCover));
    // Only the speed depends on it: a running mean of the nodes per task.
    meanNodes_ = (meanNodes_ * 7 + (nodes_ - before)) / 8;
    return total;
  }

 private:
  // 1 when the empty cells are a placement of the one piece left.
  std::uint64_t Last(M board, std::uint64_t avail, Lists<M> lists) const {
    const Range r = lists.ranges[FirstClear(board) * t_.classes + std::countr_zero(avail)];
    const M hole = ~board;
    for (std::uint32_t i = r.begin; i < r.end; ++i)
      if (lists.masks[i] == hole) return 1;
    return 0;
  }

  // Packings of the empty cells with the pieces left (at least two).
  std::uint64_t Search(M board, std::uint64_t avail, int left, Lists<M> lists) {
    const int anchor = FirstClear(board);
    ++nodes_;
    if (left > kPruneUntilLeft && !Fillable(board, avail)) return 0;
    std::uint64_t total = 0;
    for (std::uint64_t bits = avail; bits != 0; bits &= bits - 1) {
      const int c = std::countr_zero(bits);
      const Range r = lists.ranges[anchor * t_.classes + c];
      if (r.begin == r.end) continue;
      const std::uint64_t next = --counts_[c] == 0 ? avail & ~(std::uint64_t{1} << c) : avail;
      for (std::uint32_t i = r.begin; i < r.end; ++i) {
        const M m = lists.masks[i];
        if (Hits(m, board)) continue;
        const M after = board | m;
        if (t_.pocketTest && Pocket(after)) continue;
        if (left > kDeadCellUntilLeft && !NeighboursCoverable(m, after, next, lists)) continue;
        total += left == 2 ? Last(after, next, lists) : Search(after, next, left - 1, lists);
      }
      ++counts_[c];
    }
    return total;
  }

  // The lists from the first empty cell on without the placements that hit the board; the
  // cover lists too when `filterCover`, else the whole table's.
  Lists<M> Filter(M board, std::uint64_t avail, bool filterCover) {
    const int anchor = FirstClear(board);
    const Lists<M> from{t_.masks.data(), t_.ranges.data()};
    M* out = filtered_.data();
    Range* ranges = filteredRanges_.data();
    CoverEntry<M>* cover = cover_.data();
    Range* coverRanges = coverRanges_.data();
    std::uint32_t n = 0;
    std::uint32_t k = 0;
    for (int a = anchor; a < t_.cells; ++a) {
      if (HasCell(board, a)) {  // a filled cell anchors nothing now, and needs no cover
        for (int c = 0; c < t_.classes; ++c) {
          ranges[a * t_.classes + c] = {n, n};
          coverRanges[a * t_.classes + c] = {k, k};
        }
        continue;
      }
      for (int c = 0; c < t_.classes; ++c) {
        Range& r = ranges[a * t_.classes + c];
        Range& under = coverRanges[a * t_.classes + c];
        r.begin = n;
        under.begin = k;
        if ((avail >> c) & 1) {
          const Range src = from.ranges[a * t_.classes + c];
          for (std::uint32_t i = src.begin; i < src.end; ++i) {
            const M m = from.masks[i];
            out[n] = m;
            n += !Hits(m, board);
          }
          const Range covering = filterCover ? t_.coverRanges[a * t_.classes + c] : Range{};
          for (std::uint32_t i = covering.begin; i < covering.end; ++i) {
            const CoverEntry<M>& e = t_.cover[i];
            if (e.anchor < anchor) break;  // anchored on a filled cell
            cover[k] = e;
            k += !Hits(e.mask, board);
          }
        }
        r.end = n;
        under.end = k;
      }
    }
    if (!filterCover) return {out, ranges, t_.cover.data(), t_.coverRanges.data()};
    return {out, ranges, cover, coverRanges};
  }

  // False when some region of empty cells has a size no choice of the pieces left can fill.
  bool Fillable(M board, std::uint64_t avail) const {
    M empty = ~board;
    bool haveSums = false;
    SizeSet sums;
    int smallest = kMaxTargetCells + 1;
    for (std::uint64_t bits = avail; bits != 0; bits &= bits - 1)
      smallest = std::min(smallest, t_.size[std::countr_zero(bits)]);
    while (!IsEmpty(empty)) {
      const int seed = FirstSet(empty);
      const M region = Region(CellOnly(board, seed), empty);
      if (region == empty) return true;  // the last region: the pieces left fill it exactly
      const int size = BitCount(region);
      if (size < smallest) return false;
      if (!haveSums) {
        sums = Sums(avail);
        haveSums = true;
      }
      if (!sums[size - 1]) return false;
      empty = empty & ~region;
    }
    return true;
  }

  // False when an empty cell next to the placement `m` just made (the board is now `board`)
  // has no placement of a class left that fits.
  bool NeighboursCoverable(M m, M board, std::uint64_t avail, const Lists<M>& lists) {
    const int anchor = FirstClear(board);
    for (M cells = Spread(m) & ~board; !IsEmpty(cells); cells = WithoutFirst(cells)) {
      const int cell = FirstSet(cells);
      // The placement that covered the cell last time mostly still does.
      Witness& w = witness_[cell];
      if (((avail >> w.shapeClass) & 1) != 0 && !Hits(w.mask, board)) continue;
      bool covered = false;
      for (std::uint64_t bits = avail; bits != 0 && !covered; bits &= bits - 1) {
        const int c = std::countr_zero(bits);
        const Range r = lists.coverRanges[cell * t_.classes + c];
        for (std::uint32_t i = r.begin; i < r.end; ++i) {
          const CoverEntry<M>& e = lists.cover[i];
          if (e.anchor < anchor) break;
          if (!Hits(e.mask, board)) {
            w = {e.mask, c};
            covered = true;
            break;
          }
        }
      }
      if (!covered) return false;
    }
    return true;
  }

  // True when an empty cell has no empty neighbour, or two empty cells have only each other.
  bool Pocket(M board) const {
    if constexpr (std::is_same_v<M, std::uint64_t>) {
      const std::uint64_t empty = ~board;
      std::uint64_t one = 0, two = 0;  // empty cells with at least one, two empty neighbours
      for (int d = 0; d < 6; ++d) {
        const std::uint64_t n = Step(empty, d);
        two |= one & n;
        one |= n;
      }
      if ((empty & ~one) != 0) return true;
      const std::uint64_t single = empty & ~two;
      for (int d = 0; d < 6; ++d)
        if ((Step(single, d) & single) != 0) return true;
    }
    return false;
  }

  // The cells one step in direction d from `cells` (shift steps only).
  std::uint64_t Step(std::uint64_t cells, int d) const {
    const std::uint64_t from = cells & t_.stepFrom[d];
    return t_.stepOffset[d] > 0 ? from << t_.stepOffset[d] : from >> -t_.stepOffset[d];
  }

  // The cells next to `m`'s (and its own).
  M Spread(M m) const {
    if constexpr (std::is_same_v<M, std::uint64_t>) {
      if (t_.shiftFlood) {
        std::uint64_t grow = m;
        for (int d = 0; d < 6; ++d) grow |= Step(m, d);
        return grow;
      }
    }
    M grow = m;
    for (M f = m; !IsEmpty(f); f = WithoutFirst(f)) grow = grow | t_.neighbours[FirstSet(f)];
    return grow;
  }

  // The region of `within` that holds `seed`.
  M Region(M seed, M within) const {
    if constexpr (std::is_same_v<M, std::uint64_t>) {
      if (t_.shiftFlood) {
        std::uint64_t region = seed;
        for (;;) {
          std::uint64_t grow = region;
          for (int d = 0; d < 6; ++d) grow |= Step(region, d);
          grow &= within;
          if (grow == region) return region;
          region = grow;
        }
      }
    }
    M region = seed;
    M frontier = region;
    while (!IsEmpty(frontier)) {
      M grow{};
      for (M f = frontier; !IsEmpty(f); f = WithoutFirst(f))
        grow = grow | t_.neighbours[FirstSet(f)];
      frontier = grow & within & ~region;
      region = region | frontier;
    }
    return region;
  }

  SizeSet Sums(std::uint64_t avail) const {
    SizeSet sums;  // bit s - 1: sum s
    for (std::uint64_t bits = avail; bits != 0; bits &= bits - 1) {
      const int c = std::countr_zero(bits);
      for (int k = 0; k < counts_[c]; ++k) {
        SizeSet more = sums << t_.size[c];
        more.set(t_.size[c] - 1);
        sums |= more;
      }
    }
    return sums;
  }

  // Packings that the task's symmetry maps onto themselves, one orbit unit at a time.
  std::uint64_t Invariant(M board) {
    if (IsFull(board)) return 1;
    const Range r = unitRanges_[FirstClear(board)];
    std::uint64_t total = 0;
    for (std::uint32_t i = r.begin; i < r.end; ++i) {
      const OrbitUnit<M>& u = units_[i];
      if (Hits(u.mask, board) || !Take(u)) continue;
      total += Invariant(board | u.mask);
      Give(u);
    }
    return total;
  }

  bool Take(const OrbitUnit<M>& u) {
    if (counts_[u.c[0]] < u.n[0]) return false;
    counts_[u.c[0]] = static_cast<std::uint8_t>(counts_[u.c[0]] - u.n[0]);
    if (counts_[u.c[1]] < u.n[1]) {
      counts_[u.c[0]] = static_cast<std::uint8_t>(counts_[u.c[0]] + u.n[0]);
      return false;
    }
    counts_[u.c[1]] = static_cast<std::uint8_t>(counts_[u.c[1]] - u.n[1]);
    return true;
  }
  void Give(const OrbitUnit<M>& u) {
    counts_[u.c[0]] = static_cast<std::uint8_t>(counts_[u.c[0]] + u.n[0]);
    counts_[u.c[1]] = static_cast<std::uint8_t>(counts_[u.c[1]] + u.n[1]);
  }

  const Tables<M>& t_;
  std::array<std::uint8_t, kMaxClasses> counts_{};
  struct Witness {
    M mask{};  // a placement that covered the cell, of class shapeClass
    int shapeClass = 0;
  };
  std::array<Witness, kMaxTargetCells> witness_{};
  std::vector<M> filtered_;  // the task's candidate lists
  std::vector<Range> filteredRanges_;
  std::vector<CoverEntry<M>> cover_;  // the task's cover lists
  std::vector<Range> coverRanges_;
  std::uint64_t nodes_ = 0;
  std::uint64_t meanNodes_ = 0;
  const OrbitUnit<M>* units_ = nullptr;
  const Range* unitRanges_ = nullptr;
};

// The task list: one task per orbit of the first class's placements and one per symmetry
// but the identity, each expanded a few pieces deep, in a fixed order.
template <class M>
std::vector<Task<M>> MakeTasks(const PolycubePuzzle& p, const Tables<M>& t, std::uint64_t& divisor,
                               std::size_t wanted = kTasksWanted,
                               int rounds = kMaxExpansionRounds) {
  // The first class: the fewest copies, then the fewest orbits.
  const int symmetries = SymmetryCount(p);
  std::map<Key, int> placementOf;
  for (std::size_t i = 0; i < p.placements.size(); ++i)
    placementOf[KeyOf(p.placements[i].mask)] = static_cast<int>(i);
  struct Orbit {
    int representative;
    std::uint64_t weight;
  };
  std::vector<Orbit> best;
  int bestClass = -1;
  for (int c = 0; c < t.classes; ++c) {
    if (bestClass >= 0 && p.classes[c].copies > p.classes[bestClass].copies) continue;
    std::vector<char> seen(p.placements.size(), 0);
    std::vector<Orbit> orbits;
    for (std::size_t i = 0; i < p.placements.size(); ++i) {
      if (p.placements[i].shapeClass != c || seen[i]) continue;
      Orbit o{static_cast<int>(i), 0};
      for (const CellSymmetry& g : p.symmetries) {
        const int j = placementOf.at(KeyOf(Image(p.placements[i].mask, g, t.cells)));
        if (seen[j]) continue;
        seen[j] = 1;
        o.weight += p.placements[j].shapeClass == c;
      }
      orbits.push_back(o);
    }
    if (bestClass < 0 || p.classes[c].copies < p.classes[bestClass].copies ||
        orbits.size() < best.size()) {
      bestClass = c;
      best = std::move(orbits);
    }
  }
  divisor = static_cast<std::uint64_t>(p.classes[bestClass].copies);

  std::vector<Task<M>> tasks;
  Task<M> root{};
  root.board = t.outside;
  for (int c = 0; c < t.classes; ++c) {
    root.counts[c] = t.copies[c];
    root.avail |= std::uint64_t{1} << c;
  }
  root.left = t.pieces;
  for (const Orbit& o : best) {
    Task<M> task = root;
    const int c = p.placements[o.representative].shapeClass;
    task.board = task.board | FromWide<M>(p.placements[o.representative].mask);
    if (--task.counts[c] == 0) task.avail &= ~(std::uint64_t{1} << c);
    --task.left;
    task.placed = 1;
    task.weight = o.weight;
    tasks.push_back(task);
  }
  for (int g = 1; g < symmetries; ++g) {
    Task<M> task = root;
    task.symmetry = g;
    task.weight = 1;
    tasks.push_back(task);
  }

  // Expands every task by one piece (one orbit unit) until there are enough.
  for (int round = 0; round < rounds && tasks.size() < wanted; ++round) {
    std::vector<Task<M>> next;
    for (const Task<M>& task : tasks) {
      if (IsFull(task.board)) {
        next.push_back(task);
        continue;
      }
      const int anchor = FirstClear(task.board);
      if (task.symmetry == 0) {
        for (int c = 0; c < t.classes; ++c) {
          if (task.counts[c] == 0) continue;
          const Range r = t.ranges[anchor * t.classes + c];
          for (std::uint32_t i = r.begin; i < r.end; ++i) {
            if (Hits(t.masks[i], task.board)) continue;
            Task<M> child = task;
            child.board = task.board | t.masks[i];
            if (--child.counts[c] == 0) child.avail &= ~(std::uint64_t{1} << c);
            --child.left;
            ++child.placed;
            next.push_back(child);
          }
        }
      } else {
        const Range r = t.unitRanges[task.symmetry - 1][anchor];
        for (std::uint32_t i = r.begin; i < r.end; ++i) {
          const OrbitUnit<M>& u = t.units[task.symmetry - 1][i];
          if (Hits(u.mask, task.board) || task.counts[u.c[0]] < u.n[0]) continue;
          Task<M> child = task;
          child.counts[u.c[0]] = static_cast<std::uint8_t>(child.counts[u.c[0]] - u.n[0]);
          if (child.counts[u.c[1]] < u.n[1]) continue;
          child.counts[u.c[1]] = static_cast<std::uint8_t>(child.counts[u.c[1]] - u.n[1]);
          child.board = task.board | u.mask;
          child.left -= u.n[0] + u.n[1];
          ++child.placed;
          child.avail = 0;
          for (int c = 0; c < t.classes; ++c)
            if (child.counts[c] != 0) child.avail |= std::uint64_t{1} << c;
          next.push_back(child);
        }
      }
    }
    tasks = std::move(next);
  }
  return tasks;
}

template <class M>
CountSums Count(const PolycubePuzzle& p, int jobs, int shardIndex, int shardCount,
                CountProgress* progress) {
  const Tables<M> tables = BuildTables<M>(p);
  CountSums sums;
  const std::vector<Task<M>> all = MakeTasks(p, tables, sums.divisor);
  sums.tasks = all.size();
  std::vector<const Task<M>*> mine;
  for (std::size_t i = 0; i < all.size(); ++i)
    if (static_cast<int>(i % static_cast<std::size_t>(shardCount)) == shardIndex)
      mine.push_back(&all[i]);
  sums.tasksCounted = mine.size();

  std::vector<std::uint64_t> results(mine.size(), 0);
  std::atomic<std::size_t> nextTask{0};
  std::atomic<std::size_t> done{0};
  std::mutex mutex;
  std::condition_variable finished;
  int running = 0;
  const int workers = std::max(1, std::min<int>(jobs, static_cast<int>(mine.size())));
  // Every worker's buffers exist before any search starts: the searches allocate nothing.
  std::vector<std::unique_ptr<Searcher<M>>> searchers;
  for (int w = 0; w < workers; ++w) searchers.push_back(std::make_unique<Searcher<M>>(tables));
  auto work = [&](Searcher<M>& searcher) {
    for (std::size_t i; (i = nextTask.fetch_add(1)) < mine.size();) {
      results[i] = searcher.Count(*mine[i]);
      done.fetch_add(1);
    }
    std::lock_guard lock(mutex);
    --running;
    finished.notify_all();
  };
  std::vector<std::thread> threads;
  {
    std::unique_lock lock(mutex);
    try {
      for (int w = 0; w < workers; ++w) {
        threads.emplace_back(work, std::ref(*searchers[w]));
        ++running;
      }
    } catch (...) {
      nextTask.store(mine.size());  // the started workers stop at their next task
      finished.wait(lock, [&] { return running == 0; });
      lock.unlock();
      for (std::thread& th : threads) th.join();
      throw;
    }
    while (!finished.wait_for(lock, std::chrono::milliseconds(250), [&] { return running == 0; }))
      if (progress != nullptr) progress->TasksDone(done.load(), mine.size());
  }
  for (std::thread& th : threads) th.join();
  if (progress != nullptr) progress->TasksDone(mine.size(), mine.size());

  for (std::size_t i = 0; i < mine.size(); ++i) {
    std::uint64_t& sum = mine[i]->symmetry == 0 ? sums.weightedFixed : sums.invariant;
    std::uint64_t term = 0;
    if (__builtin_mul_overflow(results[i], mine[i]->weight, &term) ||
        __builtin_add_overflow(sum, term, &sum))
      sums.overflow = true;
  }
  return sums;
}

}  // namespace

PuzzleBuild BuildForCount(const PuzzleText& text, bool mirror) {
  // The longest axis slowest and the shortest fastest, so that the first empty cell runs
  // along a short line; but a target two cells thick is filled one layer after the other,
  // which measured three times faster on the 2 x 5 x 6 box.
  std::array<int, 3> high = {0, 0, 0};
  for (const Point& p : text.target) {
    high[0] = std::max(high[0], p.x);
    high[1] = std::max(high[1], p.y);
    high[2] = std::max(high[2], p.z);
  }
  std::array<int, 3> low = high;
  for (const Point& p : text.target) {
    low[0] = std::min(low[0], p.x);
    low[1] = std::min(low[1], p.y);
    low[2] = std::min(low[2], p.z);
  }
  std::array<int, 3> extent;
  for (int i = 0; i < 3; ++i) extent[i] = high[i] - low[i] + 1;
  std::array<int, 3> axes = {0, 1, 2};
  std::stable_sort(axes.begin(), axes.end(), [&](int a, int b) {
    if ((extent[a] == 2) != (extent[b] == 2)) return extent[a] == 2;
    return extent[a] > extent[b];
  });
  return BuildPolycubePuzzle(text, mirror, axes);
}

CountSums CountPackings(const PolycubePuzzle& puzzle, int jobs, int shardIndex, int shardCount,
                        CountProgress* progress) {
  if (puzzle.cells.size() <= 64)
    return Count<std::uint64_t>(puzzle, jobs, shardIndex, shardCount, progress);
  return Count<WideMask>(puzzle, jobs, shardIndex, shardCount, progress);
}

bool FinishCount(const CountSums& sums, int symmetries, std::uint64_t& fixed,
                 std::uint64_t& classes, std::string& error) {
  if (sums.overflow) {
    error = "the count passes 2^64";
    return false;
  }
  if (sums.divisor == 0 || sums.weightedFixed % sums.divisor != 0) {
    error = "internal fault: the fixed sum is not a multiple of the first piece's copies";
    return false;
  }
  fixed = sums.weightedFixed / sums.divisor;
  std::uint64_t burnside = 0;
  if (__builtin_add_overflow(fixed, sums.invariant, &burnside)) {
    error = "the count passes 2^64";
    return false;
  }
  if (symmetries <= 0 || burnside % static_cast<std::uint64_t>(symmetries) != 0) {
    error = "internal fault: the orbit count is not a whole number";
    return false;
  }
  classes = burnside / static_cast<std::uint64_t>(symmetries);
  return true;
}

}  // namespace cubepack
