#pragma once
// FNV-1a, 64 bits: the one hash that names things (puzzles, task lists, index files). Not for
// secrets: an index file is signed with SipHash under a key of the cache folder's.

#include <cstdint>
#include <string_view>

namespace cubepack {

class Fnv1a {
 public:
  void Byte(std::uint8_t b) { h_ = (h_ ^ b) * 0x100000001b3; }
  // The low `bytes` bytes of `v`, least significant first.
  void Value(std::uint64_t v, int bytes = 8) {
    for (int i = 0; i < bytes; ++i) Byte(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  // Its length first, so that texts one after another cannot run into each other.
  void Text(std::string_view text) {
    Value(text.size(), 8);
    for (const char c : text) Byte(static_cast<std::uint8_t>(c));
  }
  std::uint64_t value() const { return h_; }

 private:
  std::uint64_t h_ = 0xcbf29ce484222325;
};

}  // namespace cubepack
