#pragma once
// cubepack-solutions verify of the built-in puzzle's listing: each line a packing, none the
// same as an earlier one or its image under a half turn of the box.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "builtin/model/packing.h"
#include "builtin/model/packing_check.h"
#include "shared/streamed_verify.h"

namespace cubepack {

// The built-in puzzle's listing: 60 characters a line, distinct under the box's half turns.
class ListingVerifier final : public StreamedListing {
 public:
  explicit ListingVerifier(std::string source)
      : StreamedListing(std::move(source), builtin::kCellCount) {}

 private:
  std::string Judge(std::string_view chars, std::int64_t number) override;

  struct Seen {
    std::int64_t line;
    builtin::BoxTurn turn;  // the turn of that line that gives the key
  };
  std::unordered_map<builtin::PackingKey, Seen, builtin::PackingKeyHash> seen_;
};

// The whole command: reads `path` ("-" is standard input), prints the count on standard
// output or one line on standard error. Returns the exit status: 0; 1 for a fault in the
// listing or output that cannot be written; 2 when the input cannot be opened or read.
int RunVerify(const std::string& path);

}  // namespace cubepack
