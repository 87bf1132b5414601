#pragma once
// Counts of packings: a tiling count passes 2^64 already on a 14 x 14 square of dominoes, so
// every count that can grow is 128 bits, every sum is checked, and a count that would pass
// 2^128 is reported, never wrapped. Printed and read in decimal, every digit.

#include <string>
#include <string_view>

namespace cubepack {

__extension__ typedef unsigned __int128 BigCount;

// sum += term; false (sum unchanged) when it would pass 2^128.
inline bool AddCount(BigCount& sum, BigCount term) {
  BigCount s = 0;
  if (__builtin_add_overflow(sum, term, &s)) return false;
  sum = s;
  return true;
}

// sum += count * weight; false (sum unchanged) when either step would pass 2^128.
inline bool AddWeighted(BigCount& sum, BigCount count, BigCount weight) {
  BigCount term = 0;
  return !__builtin_mul_overflow(count, weight, &term) && AddCount(sum, term);
}

// The decimal digits, no sign, no separators.
inline std::string CountText(BigCount v) {
  char digits[40];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + static_cast<int>(v % 10));
    v /= 10;
  } while (v != 0);
  std::string s;
  s.reserve(static_cast<std::size_t>(n));
  while (n > 0) s += digits[--n];
  return s;
}

// Decimal digits as CountText writes them (no sign, no leading zero but "0"); false for anything
// else or a number past 2^128 - 1.
inline bool ParseCount(std::string_view s, BigCount& v) {
  if (s.empty() || (s.size() > 1 && s[0] == '0')) return false;
  BigCount r = 0;
  for (const char c : s) {
    if (c < '0' || c > '9') return false;
    if (__builtin_mul_overflow(r, BigCount{10}, &r) ||
        __builtin_add_overflow(r, static_cast<BigCount>(c - '0'), &r))
      return false;
  }
  v = r;
  return true;
}

}  // namespace cubepack
