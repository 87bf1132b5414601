#pragma once
// cubepack-solutions verify: checks a listing of packings on its own, line by line, as its
// bytes arrive. It never holds more than one line (and stops once a line is too long), so a
// file of any size or content is judged in constant memory but for one key per distinct
// packing.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "model/packing.h"
#include "model/packing_check.h"

namespace cubepack {

class ListingVerifier {
 public:
  // `source` names the input in the one fault that is not on a line: "<source>: no packings".
  explicit ListingVerifier(std::string source) : source_(std::move(source)) {}

  // Takes the next bytes. Returns false at the first fault (see fault()); nothing after it
  // need be read.
  bool Feed(std::string_view bytes);
  // The input has ended: judges a last line without a line end. False at a fault.
  bool Finish();

  std::int64_t packings() const { return packings_; }
  // E.g. "line 3: 59 characters, not 60"; empty while there is none.
  const std::string& fault() const { return fault_; }

 private:
  bool EndLine();
  bool Fail(const std::string& what);

  struct Seen {
    std::int64_t line;
    BoxTurn turn;  // the turn of that line that gives the key
  };

  std::string source_;
  // The current line's characters: 60, and one more to know it is too long.
  char line_[kCellCount + 1] = {};
  int length_ = 0;
  bool carriageReturn_ = false;  // the last byte was "\r"; it ends the line if "\n" follows
  std::int64_t lineNumber_ = 1;
  std::int64_t packings_ = 0;
  std::string fault_;
  std::unordered_map<PackingKey, Seen, PackingKeyHash> seen_;
};

// The whole command: reads `path` ("-" is standard input), prints the count on standard
// output or one line on standard error. Returns the exit status: 0; 1 for a fault in the
// listing or output that cannot be written; 2 when the input cannot be opened or read.
int RunVerify(const std::string& path);

}  // namespace cubepack
