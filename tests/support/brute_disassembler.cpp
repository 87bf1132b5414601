#include "support/brute_disassembler.h"

#include <algorithm>
#include <array>
#include <climits>
#include <map>
#include <set>
#include <vector>

namespace cubepack::testing {

namespace {

using general::DisassemblyInput;
using general::PieceGroup;
using general::Point;
using Offsets = std::vector<std::array<int, 3>>;
using Set = std::vector<int>;  // pieces, ascending

constexpr int kNone = INT_MAX;
constexpr int kStep[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};

struct Brute {
  const DisassemblyInput& in;
  std::vector<std::vector<PieceGroup>> left = in.kindGroups;
  std::uint64_t states = 0;

  // Piece i's gap toward piece j along d: the least distance - 1 over their cubes on one line
  // with j's ahead.
  int Gap(int i, int j, int d, const Offsets& at) const {
    int best = kNone;
    for (const Point& a : in.pieces[i])
      for (const Point& b : in.pieces[j]) {
        int delta[3] = {b.x + at[j][0] - a.x - at[i][0], b.y + at[j][1] - a.y - at[i][1],
                        b.z + at[j][2] - a.z - at[i][2]};
        const int axis = d / 2, sign = d % 2 == 0 ? 1 : -1;
        if (delta[(axis + 1) % 3] != 0 || delta[(axis + 2) % 3] != 0) continue;
        if (sign * delta[axis] > 0) best = std::min(best, sign * delta[axis] - 1);
      }
    return best;
  }

  // The group of p along d by k (kNone: without bound) among `part`.
  Set Group(const Set& part, int p, int d, int k, const Offsets& at) const {
    Set group{p};
    for (bool grew = true; grew;) {
      grew = false;
      for (const int j : part) {
        if (std::count(group.begin(), group.end(), j)) continue;
        for (const int i : group)
          if (Gap(i, j, d, at) < k) {
            group.push_back(j);
            grew = true;
            break;
          }
      }
    }
    std::sort(group.begin(), group.end());
    return group;
  }

  // The separation of the state: the smallest group that leaves, the first direction, the
  // first piece; false for none.
  bool Separation(const Set& part, const Offsets& at, Set& leaves, int& dir) const {
    std::size_t best = part.size() / 2 + 1;
    for (int d = 0; d < 6; ++d)
      for (const int p : part) {
        Set g = Group(part, p, d, kNone, at);
        if (g.size() < best) {
          best = g.size();
          leaves = g;
          dir = d;
        }
      }
    return best <= part.size() / 2;
  }

  static Offsets Moved(Offsets at, const Set& group, int d, int k) {
    for (const int i : group)
      for (int c = 0; c < 3; ++c) at[i][c] += k * kStep[d][c];
    return at;
  }

  // The moves of a state, in the definition's order.
  std::vector<Offsets> Moves(const Set& part, const Offsets& at) const {
    std::vector<Offsets> out;
    const std::size_t half = part.size() / 2;
    for (int d = 0; d < 6; ++d) {
      std::vector<std::pair<Set, int>> found, tried;
      for (const int p : part)
        for (int k = 1;; ++k) {
          const Set g = Group(part, p, d, k, at);
          if (g.size() > half) break;
          const auto has = [](const auto& v, const std::pair<Set, int>& m) {
            return std::find(v.begin(), v.end(), m) != v.end();
          };
          if (!has(tried, {g, k})) {
            out.push_back(Moved(at, g, d, k));
            tried.push_back({g, k});
          }
          if (has(found, {g, k})) continue;
          for (const auto& [h, kh] : found) {
            Set u;
            std::set_union(g.begin(), g.end(), h.begin(), h.end(), std::back_inserter(u));
            if (kh != k || u.size() == part.size() || u == g || u == h || has(tried, {u, k}))
              continue;
            out.push_back(Moved(at, u, d, k));
            tried.push_back({u, k});
          }
          found.push_back({g, k});
        }
    }
    return out;
  }

  // Relative to the part's first piece.
  static Offsets Key(const Set& part, const Offsets& at) {
    Offsets key;
    for (const int i : part)
      key.push_back(
          {at[i][0] - at[part[0]][0], at[i][1] - at[part[0]][1], at[i][2] - at[part[0]][2]});
    return key;
  }

  bool Shares(const Set& part, bool byDesign) {
    if (in.kind.empty()) return false;
    std::vector<int> ids;
    for (const PieceGroup& g : in.kindGroups[in.kind[part[0]]]) ids.push_back(g.id);
    std::sort(ids.begin(), ids.end());
    if (byDesign && ids.size() != 1) return false;
    for (const int id : ids) {
      if (id == 0) continue;
      std::map<int, int> copies;
      for (const int i : part) ++copies[in.kind[i]];
      bool fits = true;
      for (const auto& [kind, n] : copies) {
        if (byDesign && in.kindGroups[kind].size() != 1) return false;
        bool room = false;
        for (const PieceGroup& g : left[kind]) room = room || (g.id == id && g.count >= n);
        fits = fits && room;
      }
      if (!fits) continue;
      for (const auto& [kind, n] : copies)
        for (PieceGroup& g : left[kind])
          if (g.id == id) g.count -= n;
      return true;
    }
    return false;
  }

  int Weight(const Set& s) const {
    int w = 0;
    for (const int i : s) w = std::max(w, in.weight.empty() ? 1 : in.weight[i]);
    return w;
  }

  // The level of the part, "" for one whose separations all took one move; false when it
  // does not come apart.
  bool Solve(const Set& part, const Offsets& start, bool whole, std::string& level) {
    level.clear();
    if (part.size() == 1 || (!whole && Shares(part, true))) return true;
    std::set<Offsets> seen{Key(part, start)};
    std::vector<std::pair<Offsets, int>> queue{{start, 0}};
    for (std::size_t q = 0; q < queue.size(); ++q) {
      const auto [at, depth] = queue[q];
      Set leaves;
      int dir = 0;
      if (!Separation(part, at, leaves, dir)) {
        for (const Offsets& next : Moves(part, at))
          if (seen.insert(Key(part, next)).second) queue.push_back({next, depth + 1});
        continue;
      }
      states += queue.size();
      Set stays;
      std::set_difference(part.begin(), part.end(), leaves.begin(), leaves.end(),
                          std::back_inserter(stays));
      if (Weight(leaves) > Weight(stays)) std::swap(leaves, stays);
      std::string a, b;
      if (!Solve(stays, at, false, a) || !Solve(leaves, at, false, b)) return false;
      // A part whose separations all took one move is left out, but the whole shows its "1".
      std::string text = std::to_string(depth + 1);
      for (const std::string* sub : {&a, &b})
        if (!sub->empty()) text.append(1, '.').append(*sub);
      if (whole || depth > 0 || !a.empty() || !b.empty()) level.swap(text);
      return true;
    }
    states += queue.size();
    return !whole && Shares(part, false);
  }
};

}  // namespace

std::string BruteDisassemble(const DisassemblyInput& input, std::uint64_t* states) {
  if (input.pieces.size() < 2) return "-";
  Brute brute{input};
  Set all;
  for (int i = 0; i < static_cast<int>(input.pieces.size()); ++i) all.push_back(i);
  std::string level;
  const bool apart = brute.Solve(all, Offsets(input.pieces.size(), {0, 0, 0}), true, level);
  if (states != nullptr) *states = brute.states;
  return apart ? level : "-";
}

}  // namespace cubepack::testing
