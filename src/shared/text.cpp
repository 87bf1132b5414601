#include "shared/text.h"

#include <cstdio>

namespace cubepack {

std::string ShownChar(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 0x20 && byte < 0x7f) return std::string("'") + c + "'";
  char text[16];
  std::snprintf(text, sizeof text, "byte 0x%02X", static_cast<unsigned>(byte));
  return text;
}

}  // namespace cubepack
