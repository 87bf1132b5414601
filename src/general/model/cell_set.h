#pragma once
// A set of cells of a target of any size, as many 64-bit words as its highest cell needs: the
// model's placements and the cells that may stay empty. The searches copy them into their own
// fixed-size masks (one or two words) or cell lists.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace cubepack::general {

class CellSet {
 public:
  void Set(int cell) {
    const auto w = static_cast<std::size_t>(cell) >> 6;
    if (w >= words_.size()) words_.resize(w + 1, 0);
    words_[w] |= std::uint64_t{1} << (cell & 63);
  }
  bool Has(int cell) const {
    const auto w = static_cast<std::size_t>(cell) >> 6;
    return w < words_.size() && ((words_[w] >> (cell & 63)) & 1) != 0;
  }
  std::uint64_t Word(std::size_t i) const { return i < words_.size() ? words_[i] : 0; }
  std::size_t Words() const { return words_.size(); }
  int Count() const {
    int n = 0;
    for (const std::uint64_t w : words_) n += std::popcount(w);
    return n;
  }
  bool Empty() const {
    return std::all_of(words_.begin(), words_.end(), [](std::uint64_t w) { return w == 0; });
  }
  // The lowest cell; the set must not be empty.
  int First() const {
    std::size_t i = 0;
    while (words_[i] == 0) ++i;
    return static_cast<int>(i * 64) + std::countr_zero(words_[i]);
  }
  // The cells, in order.
  std::vector<int> Cells() const {
    std::vector<int> out;
    for (std::size_t i = 0; i < words_.size(); ++i)
      for (std::uint64_t w = words_[i]; w != 0; w &= w - 1)
        out.push_back(static_cast<int>(i * 64) + std::countr_zero(w));
    return out;
  }
  bool Meets(const CellSet& o) const {
    const std::size_t n = std::min(words_.size(), o.words_.size());
    for (std::size_t i = 0; i < n; ++i)
      if ((words_[i] & o.words_[i]) != 0) return true;
    return false;
  }
  CellSet& operator|=(const CellSet& o) {
    if (o.words_.size() > words_.size()) words_.resize(o.words_.size(), 0);
    for (std::size_t i = 0; i < o.words_.size(); ++i) words_[i] |= o.words_[i];
    return *this;
  }
  friend bool operator==(const CellSet& a, const CellSet& b) {
    const std::size_t n = std::max(a.words_.size(), b.words_.size());
    for (std::size_t i = 0; i < n; ++i)
      if (a.Word(i) != b.Word(i)) return false;
    return true;
  }

 private:
  std::vector<std::uint64_t> words_;
};

// For hash maps keyed by placements' cells; sets equal with trailing zero words hash alike.
struct CellSetHash {
  std::size_t operator()(const CellSet& s) const noexcept {
    std::uint64_t h = 0x9E3779B97F4A7C15u;
    for (std::size_t i = 0; i < s.Words(); ++i)
      if (s.Word(i) != 0) h = (h ^ s.Word(i) ^ i) * 0xBF58476D1CE4E5B9u;
    return static_cast<std::size_t>(h ^ (h >> 31));
  }
};

}  // namespace cubepack::general
