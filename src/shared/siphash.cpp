#include "shared/siphash.h"

#include <bit>

namespace cubepack {

namespace {

// Eight bytes from `p` as a little-endian number.
std::uint64_t Word(const char* p, std::size_t n = 8) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < n; ++i)
    v |= std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
  return v;
}

struct State {
  std::uint64_t v0, v1, v2, v3;
  void Round() {
    v0 += v1;
    v1 = std::rotl(v1, 13) ^ v0;
    v0 = std::rotl(v0, 32);
    v2 += v3;
    v3 = std::rotl(v3, 16) ^ v2;
    v0 += v3;
    v3 = std::rotl(v3, 21) ^ v0;
    v2 += v1;
    v1 = std::rotl(v1, 17) ^ v2;
    v2 = std::rotl(v2, 32);
  }
  void Block(std::uint64_t m) {
    v3 ^= m;
    Round();
    Round();
    v0 ^= m;
  }
};

}  // namespace

std::uint64_t SipHash24(std::string_view key, std::string_view bytes) {
  char k[kSipKeyBytes] = {};
  key.copy(k, kSipKeyBytes);
  const std::uint64_t k0 = Word(k), k1 = Word(k + 8);
  State s{k0 ^ 0x736f6d6570736575, k1 ^ 0x646f72616e646f6d, k0 ^ 0x6c7967656e657261,
          k1 ^ 0x7465646279746573};
  const std::size_t whole = bytes.size() / 8 * 8;
  for (std::size_t at = 0; at < whole; at += 8) s.Block(Word(bytes.data() + at));
  s.Block(Word(bytes.data() + whole, bytes.size() - whole) |
          static_cast<std::uint64_t>(bytes.size()) << 56);
  s.v2 ^= 0xff;
  for (int i = 0; i < 4; ++i) s.Round();
  return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

}  // namespace cubepack
