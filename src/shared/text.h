#pragma once
// Text from a stranger's file as faults and JSON show it. UTF-8 as RFC 3629 has it: no overlong
// forms, no surrogates, nothing past U+10FFFF; text goes into JSON and onto terminals only when
// it is that.

#include <cstddef>
#include <string>
#include <string_view>

namespace cubepack {

// A character as a fault names it: printable ones in quotes, anything else as its byte value
// ("byte 0x00"), so a terminal shows the fault, not garbage.
std::string ShownChar(char c);

// The length of the character that starts at s[i], or 0 when no valid one does.
inline std::size_t Utf8CharLength(std::string_view s, std::size_t i) {
  const auto at = [&](std::size_t k) {
    return i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0u;
  };
  const unsigned b = at(0);
  const auto tail = [&](std::size_t k) { return (at(k) & 0xc0) == 0x80; };
  if (i >= s.size()) return 0;
  if (b < 0x80) return 1;
  if (b >= 0xc2 && b <= 0xdf) return tail(1) ? 2 : 0;
  if (b >= 0xe0 && b <= 0xef) {
    const unsigned b1 = at(1);
    if ((b == 0xe0 && b1 < 0xa0) || (b == 0xed && b1 > 0x9f)) return 0;
    return tail(1) && tail(2) ? 3 : 0;
  }
  if (b >= 0xf0 && b <= 0xf4) {
    const unsigned b1 = at(1);
    if ((b == 0xf0 && b1 < 0x90) || (b == 0xf4 && b1 > 0x8f)) return 0;
    return tail(1) && tail(2) && tail(3) ? 4 : 0;
  }
  return 0;
}

// The place of the first byte that is not part of a valid character; npos when `s` is UTF-8.
inline std::size_t InvalidUtf8At(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = Utf8CharLength(s, i);
    if (n == 0) return i;
    i += n;
  }
  return std::string_view::npos;
}

}  // namespace cubepack
