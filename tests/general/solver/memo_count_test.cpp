// The memo of sub-boards against Kasteleyn's product for the domino tilings of rectangles
// (computed here exactly), against the enumeration on the classes, and with a table far too
// small for the sub-boards, which must evict and stay exact.

#include "general/solver/memo_count.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "general/input/puzzle_file.h"
#include "general/solver/polycube_count.h"

namespace cubepack::general {
namespace {

using Matrix = std::vector<std::vector<std::uint64_t>>;

std::uint64_t MulMod(std::uint64_t a, std::uint64_t b, std::uint64_t p) {
  return static_cast<std::uint64_t>(static_cast<BigCount>(a) * b % p);
}

std::uint64_t PowMod(std::uint64_t a, std::uint64_t e, std::uint64_t p) {
  std::uint64_t r = 1;
  for (; e != 0; e >>= 1, a = MulMod(a, a, p))
    if ((e & 1) != 0) r = MulMod(r, a, p);
  return r;
}

std::uint64_t DetMod(Matrix a, std::uint64_t p) {
  const std::size_t n = a.size();
  std::uint64_t det = 1;
  for (std::size_t c = 0; c < n; ++c) {
    std::size_t r = c;
    while (r < n && a[r][c] == 0) ++r;
    if (r == n) return 0;
    if (r != c) {
      std::swap(a[r], a[c]);
      det = (p - det) % p;
    }
    det = MulMod(det, a[c][c], p);
    const std::uint64_t inv = PowMod(a[c][c], p - 2, p);
    for (std::size_t i = c + 1; i < n; ++i) {
      const std::uint64_t f = MulMod(a[i][c], inv, p);
      for (std::size_t j = c; j < n; ++j) a[i][j] = (a[i][j] + p - MulMod(f, a[c][j], p)) % p;
    }
  }
  return det;
}

// G_m(y) = prod over j <= ceil(m/2) of (y - 4 cos^2(pi j / (m + 1))), lowest power first:
// the coefficient of y^(ceil(m/2) - k) is (-1)^k C(m - k, k), from the Chebyshev polynomial
// U_m with y = (2x)^2.
std::vector<std::int64_t> Roots4Cos2(int m) {
  const int degree = (m + 1) / 2;
  std::vector<std::int64_t> g(static_cast<std::size_t>(degree) + 1, 0);
  for (int k = 0; 2 * k <= m; ++k) {
    std::int64_t binomial = 1;  // C(m - k, k)
    for (int i = 0; i < k; ++i) binomial = binomial * (m - k - i) / (i + 1);
    g[static_cast<std::size_t>(degree - k)] = (k % 2 == 0 ? 1 : -1) * binomial;
  }
  return g;
}

// Kasteleyn: the tilings of m x n are the product over j <= ceil(m/2), k <= ceil(n/2) of
// a_j + c_k, the a_j the roots of G_m and the c_k those of G_n. That is det H(C), C the
// companion matrix of G_m and H(y) = prod (y + c_k) = (-1)^deg G_n(-y): integers, taken modulo
// two primes and put together.
BigCount KasteleynTilings(int m, int n) {
  const std::vector<std::int64_t> g = Roots4Cos2(m), gn = Roots4Cos2(n);
  const std::size_t d = g.size() - 1;
  std::vector<std::int64_t> h(gn.size());
  for (std::size_t i = 0; i < gn.size(); ++i)
    h[i] = gn[i] * ((i + gn.size() - 1) % 2 == 0 ? 1 : -1);
  std::uint64_t residue[2];
  const std::uint64_t primes[2] = {4611686018427387847u, 4611686018427387817u};
  for (int t = 0; t < 2; ++t) {
    const std::uint64_t p = primes[t];
    const auto mod = [&](std::int64_t v) {
      return v >= 0 ? static_cast<std::uint64_t>(v) % p : p - static_cast<std::uint64_t>(-v) % p;
    };
    Matrix c(d, std::vector<std::uint64_t>(d, 0)), r(d, std::vector<std::uint64_t>(d, 0));
    for (std::size_t i = 0; i < d; ++i) {
      if (i + 1 < d) c[i + 1][i] = 1;
      c[i][d - 1] = mod(-g[i]);
    }
    for (std::size_t k = h.size(); k-- > 0;) {  // Horner: r = r C + h_k
      Matrix next(d, std::vector<std::uint64_t>(d, 0));
      for (std::size_t i = 0; i < d; ++i)
        for (std::size_t j = 0; j < d; ++j) {
          for (std::size_t l = 0; l < d; ++l)
            next[i][j] = (next[i][j] + MulMod(r[i][l], c[l][j], p)) % p;
          if (i == j) next[i][j] = (next[i][j] + mod(h[k])) % p;
        }
      r = next;
    }
    residue[t] = DetMod(r, p);
  }
  const std::uint64_t step =
      MulMod((residue[1] + primes[1] - residue[0] % primes[1]) % primes[1],
             PowMod(primes[0] % primes[1], primes[1] - 2, primes[1]), primes[1]);
  return residue[0] + static_cast<BigCount>(primes[0]) * step;
}

TEST(MemoCount, KasteleynPinsItself) {
  EXPECT_EQ(CountText(KasteleynTilings(8, 8)), "12988816");
  EXPECT_EQ(CountText(KasteleynTilings(2, 3)), "3");
  EXPECT_EQ(CountText(KasteleynTilings(3, 3)), "0");
}

struct Counts {
  BigCount fixed = 0, classes = 0;
};

Counts Count(const std::string& text, TaskLimits limits, int jobs = 1) {
  const PuzzleParse parse = ParsePuzzle(text);
  EXPECT_EQ(parse.error, "");
  const PuzzleBuild build = BuildForCount(parse.puzzle, false);
  EXPECT_EQ(build.error, "");
  const CountSums sums = CountPackings(build.puzzle, jobs, 0, 1, nullptr, limits);
  Counts out;
  std::string error;
  EXPECT_TRUE(FinishCount(sums, SymmetryCount(build.puzzle), out.fixed, out.classes, error))
      << error;
  return out;
}

std::string Dominoes(int m, int n) {
  return "box " + std::to_string(m) + " " + std::to_string(n) + " 1\npiece D copies " +
         std::to_string(m * n / 2) + " 0,0,0 1,0,0\n";
}

// The table grows only as far as a count fills it: 16 x 16 takes about 130 MiB.
constexpr TaskLimits kMemo = {0, 0, false, std::size_t{512} << 20, false};

// Past 2^64 from 14 x 14, past 128 cells from 12 x 12 on; two threads, each with its table.
TEST(MemoCount, DominoTilingsOfRectanglesAreKasteleyns) {
  std::vector<std::pair<int, int>> sizes;
  for (int m = 1; m <= 8; ++m)
    for (int n = m; n <= 8; ++n)
      if (m * n % 2 == 0) sizes.emplace_back(m, n);
  for (const auto& size : {std::pair{12, 12}, {14, 14}, {16, 11}, {16, 16}}) sizes.push_back(size);
  for (const auto& [m, n] : sizes) {
    SCOPED_TRACE(std::to_string(m) + " x " + std::to_string(n));
    const Counts counts = Count(Dominoes(m, n), kMemo, 2);
    EXPECT_EQ(CountText(counts.fixed), CountText(KasteleynTilings(m, n)));
    if (m == 16 && n == 16) {
      EXPECT_EQ(CountText(counts.classes), "305611096281378760240051639364");
    }
  }
}

// The symmetries' searches, where the board is its own image, against the enumeration's.
TEST(MemoCount, ClassesAgreeWithTheEnumeration) {
  const std::string trominoes =
      "box 6 5 1\npiece I copies 0-10 draw xxx\npiece L copies 0-10 draw xx/x.\n";
  const std::string bricks = "box 4 4 2\npiece B copies 8 draw xx/xx\n";
  for (const std::string& text : {Dominoes(6, 6), Dominoes(4, 7), trominoes, bricks}) {
    SCOPED_TRACE(text);
    const Counts memo = Count(text, kMemo), plain = Count(text, kPuzzleTasks);
    EXPECT_EQ(CountText(memo.fixed), CountText(plain.fixed));
    EXPECT_EQ(CountText(memo.classes), CountText(plain.classes));
  }
}

// A table of a few slots evicts at almost every store; every count stays what it was.
TEST(MemoCount, ATableTooSmallEvictsAndStaysExact) {
  const PuzzleBuild build = BuildForCount(ParsePuzzle(Dominoes(6, 6)).puzzle, false);
  const auto small = MakeMemoCounter(build.puzzle, 1024);
  const auto large = MakeMemoCounter(build.puzzle, std::size_t{16} << 20);
  for (int g = 0; g < SymmetryCount(build.puzzle); ++g) {
    SCOPED_TRACE(g);
    EXPECT_EQ(CountText(small->Count(g)), CountText(large->Count(g)));
  }
  EXPECT_EQ(CountText(small->Count(0)), "6728");
}

}  // namespace
}  // namespace cubepack::general
