#include "general/solver/disassembly.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace cubepack::general {

namespace {

constexpr int kUnbounded = INT_MAX / 4;

std::uint64_t Bit(int i) { return std::uint64_t{1} << i; }

std::uint64_t AllOf(int m) { return m == 64 ? ~std::uint64_t{0} : Bit(m) - 1; }

std::uint64_t HashState(const std::int16_t* state, std::size_t width) {
  std::uint64_t h = 0x9e3779b97f4a7c15ULL;
  for (std::size_t i = 0; i < width; ++i) {
    h = (h ^ static_cast<std::uint16_t>(state[i])) * 0xff51afd7ed558ccdULL;
    h ^= h >> 29;
  }
  return h;
}

}  // namespace

const char* DirectionName(int direction) {
  static constexpr const char* kNames[kDisassemblyDirections] = {"+x", "-x", "+y",
                                                                 "-y", "+z", "-z"};
  return kNames[direction];
}

class Disassembler::Impl {
 public:
  DisassemblyResult Run(const DisassemblyInput& input, bool withMoves);

 private:
  // A (sub)assembly: its pieces (ascending) and their offsets from where the assembly holds
  // them.
  struct Part {
    std::vector<int> pieces;
    std::vector<Point> offsets;
  };
  struct Separation {
    int moves = 0;             // the moves before it, and itself
    std::uint64_t leaves = 0;  // local bits
    int direction = 0;
    std::vector<Point> offsets;  // per local piece, just before it
  };

  bool Solve(const Part& part, bool whole, std::string& level, bool& plain);
  bool Search(const Part& part, Separation& separation);
  void Gaps(const std::int16_t* state);
  int Gap(int d, int i, int j) const {
    return d % 2 == 0 ? gap_[static_cast<std::size_t>(((d / 2) * 64 + i) * 64 + j)]
                      : gap_[static_cast<std::size_t>(((d / 2) * 64 + j) * 64 + i)];
  }
  std::uint64_t Group(int p, int d, int k, int most) const;
  bool FindSeparation(int half, std::uint64_t& leaves, int& direction) const;
  void Moves(std::size_t s, int d, int half);
  void Try(std::size_t s, std::uint64_t group, int d, int k);
  void Insert(std::size_t parent, const DisassemblyMove& via);
  void Grow();
  std::uint64_t Global(std::uint64_t local) const;
  bool SharesGroup(const Part& part, bool byDesign);
  int Weight(std::uint64_t global) const;

  const DisassemblyInput* input_ = nullptr;
  bool withMoves_ = false;
  DisassemblyResult* result_ = nullptr;
  std::vector<std::uint8_t> grid_;  // the part's pieces in their bounding box, by local piece
  std::vector<std::vector<PieceGroup>> left_;  // per kind: the copies each group still takes
  // The search of one part.
  std::vector<int> local_;  // local piece -> piece
  int m_ = 0;
  std::vector<std::int16_t> states_;  // 3 m_ per state: offsets from local piece 0
  std::vector<std::int32_t> parent_;
  std::vector<std::int32_t> depth_;
  std::vector<DisassemblyMove> via_;  // local bits
  // Per slot: the state's hash in the high half (a cheap first comparison), state + 1 in the
  // low half; 0 for none.
  std::vector<std::uint64_t> slots_;
  std::vector<std::int16_t> current_, child_;
  std::vector<int> gap_ = std::vector<int>(3 * 64 * 64, kUnbounded);
  std::vector<std::pair<std::uint64_t, int>> found_, tried_;
};

Disassembler::Disassembler() : impl_(std::make_unique<Impl>()) {}
Disassembler::~Disassembler() = default;

DisassemblyResult Disassembler::Run(const DisassemblyInput& input, bool withMoves) {
  return impl_->Run(input, withMoves);
}

DisassemblyResult Disassembler::Impl::Run(const DisassemblyInput& input, bool withMoves) {
  DisassemblyResult result;
  const int n = static_cast<int>(input.pieces.size());
  if (n > kMaxDisassemblyPieces) throw std::invalid_argument("too many pieces to disassemble");
  if (n < 2) return result;
  input_ = &input;
  withMoves_ = withMoves;
  result_ = &result;
  left_ = input.kindGroups;
  Part whole;
  for (int i = 0; i < n; ++i) whole.pieces.push_back(i);
  whole.offsets.assign(static_cast<std::size_t>(n), Point{});
  bool plain = false;
  result.solution = Solve(whole, true, result.level, plain);
  if (!result.solution) {
    result.level.clear();
    result.moves.clear();
  }
  return result;
}

// A part of one piece is done; so is one whose pieces may stay together by their groups.
// Else it must come apart, and so must both parts of its first separation. `plain`: every
// separation within took one move (the level text leaves the part out).
bool Disassembler::Impl::Solve(const Part& part, bool whole, std::string& level, bool& plain) {
  plain = true;
  level.clear();
  if (part.pieces.size() == 1) return true;
  if (!whole && SharesGroup(part, true)) return true;
  Separation separation;
  if (!Search(part, separation)) return !whole && SharesGroup(part, false);
  Part parts[2];  // the part that stays, then the one that leaves
  std::uint64_t leaves = separation.leaves;
  int direction = separation.direction;
  const std::uint64_t stays = AllOf(m_) & ~leaves;
  if (Weight(Global(leaves)) > Weight(Global(stays))) {
    leaves = stays;
    direction ^= 1;
  }
  for (int i = 0; i < m_; ++i) {
    Part& to = parts[(leaves >> i) & 1];
    to.pieces.push_back(local_[static_cast<std::size_t>(i)]);
    to.offsets.push_back(separation.offsets[static_cast<std::size_t>(i)]);
  }
  if (withMoves_) result_->moves.push_back({Global(leaves), direction, 0});
  std::string levels[2];
  bool plains[2];
  for (int k = 0; k < 2; ++k)
    if (!Solve(parts[k], false, levels[k], plains[k])) return false;
  plain = separation.moves == 1 && plains[0] && plains[1];
  level = std::to_string(separation.moves);
  for (int k = 0; k < 2; ++k)
    if (!plains[k]) level += "." + levels[k];
  return true;
}

// Whether the part's pieces may stay together: by design when each piece has one group, the
// same; else when one group takes them all. Either takes the group's copies it uses.
bool Disassembler::Impl::SharesGroup(const Part& part, bool byDesign) {
  if (input_->kind.empty()) return false;
  const auto groupsOf = [&](int piece) -> const std::vector<PieceGroup>& {
    return input_
        ->kindGroups[static_cast<std::size_t>(input_->kind[static_cast<std::size_t>(piece)])];
  };
  std::vector<int> ids;
  for (const PieceGroup& g : groupsOf(part.pieces[0])) ids.push_back(g.id);
  std::sort(ids.begin(), ids.end());
  if (byDesign && ids.size() != 1) return false;
  for (const int id : ids) {
    bool fits = id != 0;
    for (std::size_t i = 0; fits && i < part.pieces.size(); ++i) {
      const int kind = input_->kind[static_cast<std::size_t>(part.pieces[i])];
      const auto& own = input_->kindGroups[static_cast<std::size_t>(kind)];
      if (byDesign && own.size() != 1) return false;
      int copies = 0;
      for (const int other : part.pieces)
        copies += input_->kind[static_cast<std::size_t>(other)] == kind;
      fits = std::any_of(left_[static_cast<std::size_t>(kind)].begin(),
                         left_[static_cast<std::size_t>(kind)].end(),
                         [&](const PieceGroup& g) { return g.id == id && g.count >= copies; });
    }
    if (!fits) continue;
    for (const int piece : part.pieces)
      for (PieceGroup& g :
           left_[static_cast<std::size_t>(input_->kind[static_cast<std::size_t>(piece)])])
        g.count -= g.id == id;
    return true;
  }
  return false;
}

int Disassembler::Impl::Weight(std::uint64_t global) const {
  int most = 0;
  for (; global != 0; global &= global - 1) {
    const int i = std::countr_zero(global);
    most = std::max(most, input_->weight.empty() ? 1 : input_->weight[static_cast<std::size_t>(i)]);
  }
  return most;
}

std::uint64_t Disassembler::Impl::Global(std::uint64_t local) const {
  std::uint64_t out = 0;
  for (; local != 0; local &= local - 1)
    out |= Bit(local_[static_cast<std::size_t>(std::countr_zero(local))]);
  return out;
}

// Breadth first from the part's state over the moves, each state once, until a state lets a
// group leave.
bool Disassembler::Impl::Search(const Part& part, Separation& separation) {
  local_ = part.pieces;
  m_ = static_cast<int>(part.pieces.size());
  const int half = m_ / 2;
  const std::size_t width = static_cast<std::size_t>(3 * m_);
  states_.clear();
  parent_.clear();
  depth_.clear();
  via_.clear();
  slots_.assign(64, 0);
  child_.assign(width, 0);
  const Point base = part.offsets[0];
  for (int i = 0; i < m_; ++i) {
    const Point& o = part.offsets[static_cast<std::size_t>(i)];
    child_[static_cast<std::size_t>(3 * i)] = static_cast<std::int16_t>(o.x - base.x);
    child_[static_cast<std::size_t>(3 * i + 1)] = static_cast<std::int16_t>(o.y - base.y);
    child_[static_cast<std::size_t>(3 * i + 2)] = static_cast<std::int16_t>(o.z - base.z);
  }
  Insert(0, {});
  parent_[0] = -1;
  depth_[0] = 0;
  for (std::size_t s = 0; s < depth_.size(); ++s) {
    current_.assign(states_.begin() + static_cast<std::ptrdiff_t>(s * width),
                    states_.begin() + static_cast<std::ptrdiff_t>((s + 1) * width));
    Gaps(current_.data());
    std::uint64_t leaves = 0;
    int direction = 0;
    if (FindSeparation(half, leaves, direction)) {
      result_->states += depth_.size();
      separation.moves = depth_[s] + 1;
      separation.leaves = leaves;
      separation.direction = direction;
      for (int i = 0; i < m_; ++i)
        separation.offsets.push_back({current_[static_cast<std::size_t>(3 * i)],
                                      current_[static_cast<std::size_t>(3 * i + 1)],
                                      current_[static_cast<std::size_t>(3 * i + 2)]});
      if (withMoves_) {
        std::vector<DisassemblyMove> path;
        for (std::int32_t t = static_cast<std::int32_t>(s);
             parent_[static_cast<std::size_t>(t)] >= 0; t = parent_[static_cast<std::size_t>(t)])
          path.push_back(via_[static_cast<std::size_t>(t)]);
        for (auto it = path.rbegin(); it != path.rend(); ++it)
          result_->moves.push_back({Global(it->pieces), it->direction, it->distance});
      }
      return true;
    }
    for (int d = 0; d < kDisassemblyDirections; ++d) Moves(s, d, half);
  }
  result_->states += depth_.size();
  return false;
}

// Gap[a][i][j] for the state: along each line of axis a, from each cube to the next cube ahead,
// where that is another piece's. A gap between pieces farther apart on a line is never needed:
// a group takes in the pieces between first, and through them the far one at the same k.
void Disassembler::Impl::Gaps(const std::int16_t* state) {
  constexpr std::uint8_t kEmpty = 0xff;
  Point lo{INT_MAX, INT_MAX, INT_MAX}, hi{INT_MIN, INT_MIN, INT_MIN};
  const auto at = [&](int i, const Point& c) {
    return Point{c.x + state[3 * i], c.y + state[3 * i + 1], c.z + state[3 * i + 2]};
  };
  for (int i = 0; i < m_; ++i)
    for (const Point& c :
         input_->pieces[static_cast<std::size_t>(local_[static_cast<std::size_t>(i)])]) {
      const Point p = at(i, c);
      lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
      hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
  const int size[3] = {hi.x - lo.x + 1, hi.y - lo.y + 1, hi.z - lo.z + 1};
  const int stride[3] = {1, size[0], size[0] * size[1]};
  grid_.assign(static_cast<std::size_t>(size[0]) * size[1] * size[2], kEmpty);
  for (int i = 0; i < m_; ++i)
    for (const Point& c :
         input_->pieces[static_cast<std::size_t>(local_[static_cast<std::size_t>(i)])]) {
      const Point p = at(i, c);
      grid_[static_cast<std::size_t>((p.x - lo.x) + stride[1] * (p.y - lo.y) +
                                     stride[2] * (p.z - lo.z))] = static_cast<std::uint8_t>(i);
    }
  for (int a = 0; a < 3; ++a)
    for (int i = 0; i < m_; ++i) std::fill_n(gap_.begin() + ((a * 64 + i) * 64), m_, kUnbounded);
  for (int a = 0; a < 3; ++a) {
    const int u = (a + 1) % 3, v = (a + 2) % 3;
    for (int cu = 0; cu < size[u]; ++cu)
      for (int cv = 0; cv < size[v]; ++cv) {
        const int base = cu * stride[u] + cv * stride[v];
        int last = -1, lastAt = 0;
        for (int t = 0; t < size[a]; ++t) {
          const int id = grid_[static_cast<std::size_t>(base + t * stride[a])];
          if (id == kEmpty) continue;
          if (last >= 0 && last != id) {
            int& g = gap_[static_cast<std::size_t>((a * 64 + last) * 64 + id)];
            g = std::min(g, t - lastAt - 1);
          }
          last = id;
          lastAt = t;
        }
      }
  }
}

// The group of (p, d, k): p and every piece that a piece of the group stops within k along d.
// 0 when it grows past `most` pieces.
std::uint64_t Disassembler::Impl::Group(int p, int d, int k, int most) const {
  const std::uint64_t all = AllOf(m_);
  std::uint64_t group = Bit(p), todo = group;
  while (todo != 0) {
    const int i = std::countr_zero(todo);
    todo &= todo - 1;
    for (std::uint64_t out = all & ~group; out != 0; out &= out - 1) {
      const int j = std::countr_zero(out);
      if (Gap(d, i, j) < k) {
        group |= Bit(j);
        todo |= Bit(j);
      }
    }
    if (std::popcount(group) > most) return 0;
  }
  return group;
}

// The smallest group of at most `half` pieces that leaves without bound; on a tie the first
// direction, then the first piece.
bool Disassembler::Impl::FindSeparation(int half, std::uint64_t& leaves, int& direction) const {
  int best = half + 1;
  for (int d = 0; d < kDisassemblyDirections; ++d)
    for (int p = 0; p < m_; ++p) {
      const std::uint64_t group = Group(p, d, kUnbounded, best - 1);
      if (group == 0) continue;
      best = std::popcount(group);
      leaves = group;
      direction = d;
      if (best == 1) return true;
    }
  return best <= half;
}

// Every move along d from state s: for each piece and k = 1, 2, ... while its group is small
// enough, that group by k, and its union with each group found before along d with that k.
void Disassembler::Impl::Moves(std::size_t s, int d, int half) {
  const std::uint64_t all = AllOf(m_);
  const auto tried = [&](std::uint64_t g, int k) {
    return std::find(tried_.begin(), tried_.end(), std::make_pair(g, k)) != tried_.end();
  };
  found_.clear();
  tried_.clear();
  for (int p = 0; p < m_; ++p)
    for (int k = 1;; ++k) {
      const std::uint64_t group = Group(p, d, k, half);
      if (group == 0) break;
      // A group met before as a union is not moved again, but it joins the unions all the same.
      if (!tried(group, k)) {
        Try(s, group, d, k);
        tried_.emplace_back(group, k);
      }
      if (std::find(found_.begin(), found_.end(), std::make_pair(group, k)) != found_.end())
        continue;
      for (const auto& [earlier, at] : found_) {
        const std::uint64_t both = group | earlier;
        if (at != k || both == all || both == group || both == earlier || tried(both, k)) continue;
        Try(s, both, d, k);
        tried_.emplace_back(both, k);
      }
      found_.emplace_back(group, k);
    }
}

void Disassembler::Impl::Try(std::size_t s, std::uint64_t group, int d, int k) {
  const int axis = d / 2, step = d % 2 == 0 ? k : -k;
  child_ = current_;
  for (std::uint64_t g = group; g != 0; g &= g - 1)
    child_[static_cast<std::size_t>(3 * std::countr_zero(g) + axis)] +=
        static_cast<std::int16_t>(step);
  if ((group & 1) != 0)  // the first piece moved: the others move back instead
    for (int i = 0; i < m_; ++i)
      child_[static_cast<std::size_t>(3 * i + axis)] -= static_cast<std::int16_t>(step);
  Insert(s, {group, d, k});
}

// Adds child_ as a new state reached from `parent` by `via`, unless it was met before.
void Disassembler::Impl::Insert(std::size_t parent, const DisassemblyMove& via) {
  const std::size_t width = child_.size();
  const std::size_t mask = slots_.size() - 1;
  const std::uint64_t hash = HashState(child_.data(), width);
  const std::uint64_t tag = hash & ~std::uint64_t{0xffffffff};
  std::size_t at = (hash >> 7) & mask;
  for (; slots_[at] != 0; at = (at + 1) & mask) {
    if ((slots_[at] & ~std::uint64_t{0xffffffff}) != tag) continue;
    const std::size_t other = (slots_[at] & 0xffffffff) - 1;
    if (std::equal(child_.begin(), child_.end(),
                   states_.begin() + static_cast<std::ptrdiff_t>(other * width)))
      return;
  }
  const std::size_t index = depth_.size();
  states_.insert(states_.end(), child_.begin(), child_.end());
  parent_.push_back(static_cast<std::int32_t>(parent));
  depth_.push_back(index == 0 ? 0 : depth_[parent] + 1);
  via_.push_back(via);
  slots_[at] = tag | (index + 1);
  if (2 * depth_.size() > slots_.size()) Grow();
}

void Disassembler::Impl::Grow() {
  const std::size_t width = child_.size();
  slots_.assign(slots_.size() * 2, 0);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t index = 0; index < depth_.size(); ++index) {
    const std::uint64_t hash = HashState(states_.data() + index * width, width);
    std::size_t at = (hash >> 7) & mask;
    while (slots_[at] != 0) at = (at + 1) & mask;
    slots_[at] = (hash & ~std::uint64_t{0xffffffff}) | (index + 1);
  }
}

}  // namespace cubepack::general
