#include "app/solution_verify.h"

namespace cubepack {

using namespace cubepack::builtin;

std::string ListingVerifier::Judge(std::string_view chars, std::int64_t number) {
  Packing packing;
  const std::string fault = CheckPackingLine(chars, packing);
  if (!fault.empty()) return fault;
  BoxTurn turn;
  const PackingKey key = CanonicalKey(packing, turn);
  const auto [it, added] = seen_.try_emplace(key, Seen{number, turn});
  if (added) return {};
  // Both lines, each turned by its own turn, give the key; half turns undo themselves and
  // commute, so this line is the earlier one turned by the two combined.
  const std::string earlier = "line " + std::to_string(it->second.line);
  switch (Combine(turn, it->second.turn)) {
    case BoxTurn::kNone:
      return "same packing as " + earlier;
    case BoxTurn::kHalfX:
      return earlier + " turned by a half turn about x";
    case BoxTurn::kHalfY:
      return earlier + " turned by a half turn about y";
    case BoxTurn::kHalfZ:
      return earlier + " turned by a half turn about z";
  }
  return {};
}

int RunVerify(const std::string& path) {
  ListingVerifier verifier(ListingSource(path));
  return VerifyListing(path, verifier);
}

}  // namespace cubepack
