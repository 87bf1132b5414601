#pragma once
// verify: checks a listing of packings on its own, line by line, as its bytes arrive. It never
// holds more than one line (and stops once a line is too long), so a file of any size or
// content is judged in constant memory but for what the judge of the lines keeps.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace cubepack {

// A listing read as a stream of lines, each judged as it ends. The lines are at most
// `maxLength` characters: one more is judged at once, so a long line or a binary file is not
// read on.
class StreamedListing {
 public:
  // `source` names the input in the one fault that is not on a line: "<source>: no packings".
  StreamedListing(std::string source, std::size_t maxLength)
      : source_(std::move(source)), maxLength_(maxLength) {
    line_.reserve(maxLength + 1);
  }
  virtual ~StreamedListing() = default;

  // Takes the next bytes. Returns false at the first fault (see fault()); nothing after it
  // need be read.
  bool Feed(std::string_view bytes);
  // The input has ended: judges a last line without a line end. False at a fault.
  bool Finish();

  std::int64_t packings() const { return packings_; }
  // E.g. "line 3: 59 characters, not 60"; empty while there is none.
  const std::string& fault() const { return fault_; }

 protected:
  // What is wrong with line `number` (its characters without the line end), or "".
  virtual std::string Judge(std::string_view chars, std::int64_t number) = 0;

 private:
  bool EndLine();

  std::string source_;
  std::size_t maxLength_;
  std::string line_;  // the current line's characters, and one more to know it is too long
  bool carriageReturn_ = false;  // the last byte was "\r"; it ends the line if "\n" follows
  std::int64_t lineNumber_ = 1;
  std::int64_t packings_ = 0;
  std::string fault_;
};

// Reads `path` ("-" is standard input) into `verifier`, and prints the count on standard
// output or one line on standard error. Returns the exit status: 0; 1 for a fault in the
// listing or output that cannot be written; 2 when the input cannot be opened or read.
int VerifyListing(const std::string& path, StreamedListing& verifier);

// The name of `path` in a fault: "standard input" for "-".
std::string ListingSource(const std::string& path);

}  // namespace cubepack
