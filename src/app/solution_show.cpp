#include "app/solution_show.h"

#include <cstdio>
#include <string>

#include "app/packing_drawing.h"
#include "app/packing_index.h"
#include "builtin/model/packing_check.h"
#include "shared/platform.h"

namespace cubepack {

using namespace cubepack::builtin;

namespace {

// Reads the first line of standard input into `out`. Returns what is wrong with it, or "".
// Stops two bytes past the 60 characters: enough to know the line is too long.
std::string ReadPackingLine(Packing& out) {
  UseBinaryStdin();
  std::string line;
  int c = 0;
  while (line.size() < kCellCount + 2 && (c = std::getc(stdin)) != EOF && c != '\n')
    line += static_cast<char>(c);
  if (std::ferror(stdin)) return "cannot read standard input";
  if (line.empty() && c == EOF) return "no packing line on standard input";
  if (!line.empty() && line.back() == '\r' && (c == '\n' || c == EOF)) line.pop_back();
  const std::string fault = CheckPackingLine(line, out);
  return fault.empty() ? fault : "not a packing: " + fault;
}

}  // namespace

int RunShow(std::int64_t number, bool svg) {
  Packing packing;
  if (number == 0) {
    const std::string fault = ReadPackingLine(packing);
    if (!fault.empty()) {
      std::fprintf(stderr, "cubepack-solutions: %s\n", fault.c_str());
      return 2;
    }
  } else if (!FindPacking(number, packing)) {
    std::fprintf(stderr, "cubepack-solutions: the listing has no packing %lld\n",
                 static_cast<long long>(number));
    return 2;
  }
  return WriteOut("cubepack-solutions",
                  svg ? DrawPackingSvg(packing) : DrawPackingText(packing, ColourWanted()));
}

}  // namespace cubepack
