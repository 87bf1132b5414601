#include "support/test_support.h"

#include <fstream>
#include <iterator>

namespace cubepack::testing {

using namespace cubepack::builtin;

void CaptureSink::Write(std::string_view bytes) {
  if (failFrom_ >= 0 && writes_ >= failFrom_) throw OutputError();
  ++writes_;
  bytes_.append(bytes);
}

const PieceCatalogue& SharedCatalogue() {
  static SilentCatalogueReport quiet;
  static const auto catalogue = BuildCatalogue(quiet);
  return *catalogue;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace cubepack::testing
