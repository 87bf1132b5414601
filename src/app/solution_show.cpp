#include "app/solution_show.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/packing_drawing.h"
#include "app/packing_index.h"
#include "app/packing_page_show.h"
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

// The page of the built-in puzzle, whose pieces have no names but their sizes.
int ShowPage(const Packing& packing, std::int64_t number, const std::string& library) {
  const std::string line = FormatPackingLine(packing).substr(0, kCellCount);
  constexpr std::string_view kLabels = "0123456789AB";
  PageText text;
  text.title = "The 5 x 4 x 3 puzzle of cubepack, " +
               (number == 0 ? std::string("a packing") : "packing " + std::to_string(number));
  for (const char label : kLabels)
    text.names.push_back(std::to_string(std::count(line.begin(), line.end(), label)) + " cubes");
  return WritePackingPage(Layers{kSizeX, kSizeY, kSizeZ, line, kLabels}, text, library);
}

}  // namespace

int RunShow(const SolutionsOptions& options) {
  const std::int64_t number = options.packingNumber;
  std::string library;
  if (options.html)
    if (const int status = ReadPageLibrary(library); status != 0) return status;
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
  if (options.html) return ShowPage(packing, number, library);
  return WriteOut("cubepack-solutions",
                  options.svg ? DrawPackingSvg(packing) : DrawPackingText(packing, ColourWanted()));
}

}  // namespace cubepack
