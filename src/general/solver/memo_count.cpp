#include "general/solver/memo_count.h"

#include <algorithm>
#include <array>
#include <bit>
#include <new>
#include <vector>

#include "general/solver/link_search.h"
#include "general/solver/unit_copies.h"

namespace cubepack::general {

namespace {

// A window of cells from the first empty one on: bit i is cell f + i, set when decided
// (covered, or left empty).
template <int kWords>
struct Window {
  std::array<std::uint64_t, kWords> w{};

  bool Meets(const Window& o) const {
    std::uint64_t any = 0;
    for (int i = 0; i < kWords; ++i) any |= w[i] & o.w[i];
    return any != 0;
  }
  Window operator|(const Window& o) const {
    Window r;
    for (int i = 0; i < kWords; ++i) r.w[i] = w[i] | o.w[i];
    return r;
  }
  bool Has(int i) const { return ((w[i >> 6] >> (i & 63)) & 1) != 0; }
  void Set(int i) { w[i >> 6] |= std::uint64_t{1} << (i & 63); }
  // Drops the first s cells (0 < s < 64).
  void Shift(int s) {
    for (int i = 0; i + 1 < kWords; ++i) w[i] = (w[i] >> s) | (w[i + 1] << (64 - s));
    w[kWords - 1] >>= s;
  }
};

// A row filed by its first cell: its cells in the window that starts there.
template <int kWords>
struct MemoRow {
  Window<kWords> cells;
  std::uint8_t c[2];
  std::uint16_t n[2];
};

// Keys of at most this many words: the first cell and holes, the window, the copies left.
constexpr int kMaxKeyWords = 1 + kMaxMemoWindow / 64 + kMaxShapeClasses / 4;

// Sub-board counts by key, in buckets of four slots; grows by doubling up to its budget, then
// replaces the entry of the latest first cell in a full bucket (the cheapest to count again).
class MemoTable {
 public:
  MemoTable(int keyWords, std::size_t bytes)
      : keyWords_(keyWords), stride_(static_cast<std::size_t>(keyWords) + 2) {
    const std::size_t slotBytes = stride_ * sizeof(std::uint64_t);
    maxSlots_ = std::bit_floor(std::max<std::size_t>(bytes / slotBytes, kBucket));
    Resize(std::min<std::size_t>(maxSlots_, std::size_t{1} << 14));
  }

  void Clear() {
    if (used_ == 0) return;
    for (std::size_t s = 0; s < slots_; ++s) data_[s * stride_] = kEmpty;
    used_ = 0;
  }

  bool Find(const std::uint64_t* key, std::uint64_t h, BigCount& value) const {
    const std::size_t b = Bucket(h);
    for (std::size_t s = b; s < b + kBucket; ++s) {
      const std::uint64_t* e = data_.data() + s * stride_;
      if (e[0] == kEmpty) return false;
      if (std::equal(key, key + keyWords_, e)) {
        value = (BigCount{e[keyWords_ + 1]} << 64) | e[keyWords_];
        return true;
      }
    }
    return false;
  }

  void Store(const std::uint64_t* key, std::uint64_t h, BigCount value) {
    if (used_ * 2 > slots_ && slots_ < maxSlots_) Resize(slots_ * 2);
    Put(key, h, value);
  }

 private:
  static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
  static constexpr std::size_t kBucket = 4;

  std::size_t Bucket(std::uint64_t h) const { return (h & (slots_ - 1)) & ~(kBucket - 1); }

  void Put(const std::uint64_t* key, std::uint64_t h, BigCount value) {
    const std::size_t b = Bucket(h);
    std::size_t at = b;
    for (std::size_t s = b; s < b + kBucket; ++s) {
      const std::uint64_t first = data_[s * stride_];
      if (first == kEmpty) {
        at = s;
        ++used_;
        break;
      }
      // The first cell sits in the key's low half: a later cell leaves less to count again.
      if ((first & 0xffffffff) > (data_[at * stride_] & 0xffffffff)) at = s;
    }
    std::uint64_t* e = data_.data() + at * stride_;
    std::copy(key, key + keyWords_, e);
    e[keyWords_] = static_cast<std::uint64_t>(value);
    e[keyWords_ + 1] = static_cast<std::uint64_t>(value >> 64);
  }

  // Doubles the table, or, where the memory is not there, stays at this size and evicts.
  void Resize(std::size_t slots) {
    std::vector<std::uint64_t> bigger;
    try {
      bigger.assign(slots * stride_, 0);
    } catch (const std::bad_alloc&) {
      if (slots_ == 0) throw;
      maxSlots_ = slots_;
      return;
    }
    std::vector<std::uint64_t> old = std::move(data_);
    const std::size_t oldSlots = slots_;
    data_ = std::move(bigger);
    slots_ = slots;
    for (std::size_t s = 0; s < slots_; ++s) data_[s * stride_] = kEmpty;
    used_ = 0;
    for (std::size_t s = 0; s < oldSlots; ++s) {
      const std::uint64_t* e = old.data() + s * stride_;
      if (e[0] == kEmpty) continue;
      Put(e, Hash(e, keyWords_), (BigCount{e[keyWords_ + 1]} << 64) | e[keyWords_]);
    }
  }

 public:
  static std::uint64_t Hash(const std::uint64_t* key, int words) {
    std::uint64_t h = 0x9e3779b97f4a7c15;
    for (int i = 0; i < words; ++i) {
      h = (h ^ key[i]) * 0xbf58476d1ce4e5b9;
      h ^= h >> 31;
    }
    return h * 0x94d049bb133111eb;
  }

 private:
  int keyWords_;
  std::size_t stride_;
  std::size_t slots_ = 0, maxSlots_ = 0, used_ = 0;
  std::vector<std::uint64_t> data_;
};

template <int kWords>
class Memo final : public MemoCounter {
 public:
  Memo(const PolycubePuzzle& p, std::size_t bytes)
      : p_(p),
        cells_(static_cast<int>(p.cells.size())),
        reach_(PlacementReach(p)),
        classes_(static_cast<int>(p.classes.size())),
        keyWords_(1 + kWords + (classes_ + 3) / 4),
        table_(keyWords_, bytes) {
    for (const ShapeClass& c : p.classes) {
      copies_.push_back(static_cast<std::uint16_t>(c.copies));
      minCopies_.push_back(static_cast<std::uint16_t>(c.minCopies));
    }
  }

  bool Overflowed() const override { return overflow_; }

  BigCount Count(int symmetry) override {
    if (symmetry != symmetry_) {
      table_.Clear();
      symmetry_ = symmetry;
      Build(symmetry == 0 ? PlacementRows(p_) : UnitRows(p_, symmetry));
    }
    std::copy(copies_.begin(), copies_.end(), counts_.begin());
    overflow_ = false;
    return Search(0, Window<kWords>{}, 0);
  }

 private:
  // Files each row by its first cell; each cell's hole set and its orbit's first cell.
  void Build(const LinkRows& rows) {
    rows_.clear();
    first_.assign(static_cast<std::size_t>(cells_) + 1, 0);
    std::vector<std::vector<MemoRow<kWords>>> byCell(static_cast<std::size_t>(cells_));
    for (const LinkRow& r : rows.rows) {
      const auto from = static_cast<int>(
          *std::min_element(rows.cells.begin() + r.begin, rows.cells.begin() + r.end));
      MemoRow<kWords> row{};
      for (std::uint32_t k = r.begin; k < r.end; ++k)
        if (const int d = static_cast<int>(rows.cells[k]) - from; d < reach_) row.cells.Set(d);
      row.c[0] = r.c[0];
      row.c[1] = r.c[1];
      row.n[0] = r.n[0];
      row.n[1] = r.n[1];
      byCell[static_cast<std::size_t>(from)].push_back(row);
    }
    for (int x = 0; x < cells_; ++x) {
      first_[x] = static_cast<std::uint32_t>(rows_.size());
      rows_.insert(rows_.end(), byCell[x].begin(), byCell[x].end());
    }
    first_[cells_] = static_cast<std::uint32_t>(rows_.size());
    images_ = false;
    orbitFirst_.assign(static_cast<std::size_t>(cells_), 0);
    holes_.assign(static_cast<std::size_t>(cells_), Window<kWords>{});
    holeSize_.assign(static_cast<std::size_t>(cells_), 0);
    for (int x = 0; x < cells_; ++x) {
      const std::uint32_t* b = rows.holeSets.data() + rows.holeBegin[x];
      const std::uint32_t* e = rows.holeSets.data() + rows.holeBegin[x + 1];
      orbitFirst_[x] = static_cast<int>(*std::min_element(b, e));
      images_ = images_ || e - b > 1;
      holeSize_[x] = static_cast<int>(e - b);
      for (const std::uint32_t* y = b; y != e; ++y)
        if (const int d = static_cast<int>(*y) - x; d >= 0 && d < reach_) holes_[x].Set(d);
    }
  }

  // Moves f to the first undecided cell; a cell entering the window is decided where its
  // orbit's first cell is (the board is its own image).
  void Advance(int& f, Window<kWords>& w) const {
    while (f < cells_ && (w.w[0] & 1) != 0) {
      if (!images_) {
        const int s = std::min(std::countr_one(w.w[0]), 63);
        w.Shift(s);
        f += s;
        continue;
      }
      w.Shift(1);
      ++f;
      const int c = f + reach_ - 1;
      if (c >= cells_) continue;
      const int m = orbitFirst_[c];
      if (m < c && (m < f || w.Has(m - f))) w.Set(reach_ - 1);
    }
  }

  void MakeKey(int f, const Window<kWords>& w, int holes) {
    key_[0] = static_cast<std::uint64_t>(f) | static_cast<std::uint64_t>(holes) << 32;
    for (int i = 0; i < kWords; ++i) key_[1 + i] = w.w[i];
    for (int k = 1 + kWords; k < keyWords_; ++k) key_[k] = 0;
    for (int c = 0; c < classes_; ++c)
      key_[1 + kWords + c / 4] |= static_cast<std::uint64_t>(counts_[c]) << (16 * (c % 4));
  }

  BigCount Leaf() const {
    for (int c = 0; c < classes_; ++c)
      if (copies_[c] - counts_[c] < minCopies_[c]) return 0;
    return 1;
  }

  // Sums wrap only past 2^128, which a count of at most 32768 cells could reach in principle;
  // the caller is told.
  void Add(BigCount& total, BigCount n) {
    if (!AddCount(total, n)) overflow_ = true;
  }

  BigCount Search(int f, Window<kWords> w, int holes) {
    Advance(f, w);
    if (f >= cells_) return Leaf();
    MakeKey(f, w, holes);
    const std::uint64_t h = MemoTable::Hash(key_.data(), keyWords_);
    BigCount total = 0;
    if (table_.Find(key_.data(), h, total)) return total;
    if (!p_.optional.Empty() && p_.optional.Has(f) &&
        (p_.maxHoles < 0 || holes + holeSize_[f] <= p_.maxHoles))
      Add(total, Search(f, w | holes_[f], holes + holeSize_[f]));
    for (std::uint32_t i = first_[f]; i < first_[f + 1]; ++i) {
      const MemoRow<kWords>& r = rows_[i];
      if (r.cells.Meets(w) || !TakeCopies(counts_.data(), r)) continue;
      Add(total, Search(f, w | r.cells, holes));
      GiveCopies(counts_.data(), r);
    }
    MakeKey(f, w, holes);
    table_.Store(key_.data(), h, total);
    return total;
  }

  const PolycubePuzzle& p_;
  int cells_, reach_, classes_, keyWords_;
  MemoTable table_;
  int symmetry_ = -1;
  std::vector<MemoRow<kWords>> rows_;
  std::vector<std::uint32_t> first_;  // rows_[first_[x] .. first_[x + 1]) start at cell x
  bool images_ = false;               // some cell's orbit is more than itself
  std::vector<int> orbitFirst_;
  std::vector<Window<kWords>> holes_;  // cell x's hole set, in the window from x
  std::vector<int> holeSize_;
  std::vector<std::uint16_t> copies_, minCopies_;
  std::array<std::uint16_t, kMaxShapeClasses> counts_{};
  std::array<std::uint64_t, kMaxKeyWords> key_{};
  bool overflow_ = false;
};

}  // namespace

int PlacementReach(const PolycubePuzzle& p) {
  int reach = 1;
  for (const ClassPlacement& q : p.placements) {
    const std::vector<int> cells = q.mask.Cells();
    reach = std::max(reach, cells.back() - cells.front() + 1);
  }
  return reach;
}

bool MemoFits(const PolycubePuzzle& p) {
  // The search recurses once per piece or hole: 4096 keeps it well within a thread's stack.
  return p.mirrorPackings != MirrorPackings::kSome && !p.cells.empty() && !p.placements.empty() &&
         p.cells.size() <= 4096 && PlacementReach(p) <= kMaxMemoWindow;
}

bool MemoPays(const PolycubePuzzle& p) {
  if (!MemoFits(p)) return false;
  int pieces = 0;
  for (const ShapeClass& c : p.classes) pieces += c.copies;
  return pieces >= 3 * static_cast<int>(p.classes.size());
}

std::unique_ptr<MemoCounter> MakeMemoCounter(const PolycubePuzzle& p, std::size_t bytes) {
  const int reach = PlacementReach(p);
  if (reach <= 64) return std::make_unique<Memo<1>>(p, bytes);
  if (reach <= 128) return std::make_unique<Memo<2>>(p, bytes);
  return std::make_unique<Memo<4>>(p, bytes);
}

}  // namespace cubepack::general
