#include "general/input/xmpuzzle_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <vector>

#if CUBEPACK_HAVE_XMPUZZLE
#include <expat.h>
#include <zlib.h>
#endif

namespace cubepack::general {

bool IsXmPuzzleName(std::string_view path) {
  const auto endsWith = [&](std::string_view tail) {
    if (path.size() <= tail.size()) return false;
    const std::string_view end = path.substr(path.size() - tail.size());
    return std::equal(end.begin(), end.end(), tail.begin(), [](char a, char b) {
      return std::tolower(static_cast<unsigned char>(a)) == b;
    });
  };
  return endsWith(".xmpuzzle") || endsWith(".xml");
}

bool LooksLikeXmPuzzle(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1f &&
      static_cast<unsigned char>(bytes[1]) == 0x8b)
    return true;
  if (bytes.starts_with("\xef\xbb\xbf")) bytes.remove_prefix(3);
  const std::size_t first = bytes.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && bytes[first] == '<';
}

#if !CUBEPACK_HAVE_XMPUZZLE

bool XmPuzzleSupported() { return false; }

namespace {
XmPuzzleRead Unsupported() {
  return {{},
          "this build reads no .xmpuzzle files (zlib and expat were not found when it was "
          "configured)"};
}
}  // namespace

XmPuzzleRead ReadXmPuzzle(const std::string&, const std::string&) { return Unsupported(); }
XmPuzzleRead ParseXmPuzzle(std::string_view, const std::string&) { return Unsupported(); }
XmPuzzleRead ParseXmPuzzleBytes(std::string_view, const std::string&) { return Unsupported(); }

#else

bool XmPuzzleSupported() { return true; }

namespace {

// A shape of the file as its voxel element gives it.
struct Voxel {
  int x = 0, y = 0, z = 0;
  std::string name;
  std::string text;
};

struct ShapeUse {
  long long id = -1;
  std::optional<long long> count, min, max;
};

struct Problem {
  std::string name;
  std::vector<ShapeUse> shapes;
  long long result = -1;
};

// What the XML gives, element by element.
struct Collected {
  XML_Parser parser = nullptr;
  std::vector<std::string> path;  // names of the open elements
  bool puzzle = false;
  long long gridType = 0;
  std::vector<Voxel> voxels;
  std::vector<Problem> problems;
  bool inVoxel = false;
  std::string fault;  // the first fault found in an attribute
  std::string stop;   // a fault that stopped the parser, which is then the file's only one
};

void Stop(Collected& c, std::string fault) {
  if (c.stop.empty()) c.stop = std::move(fault);
  XML_StopParser(c.parser, XML_FALSE);
}

// A whole number from 0 to `max` in an attribute; `what` names it in the fault.
std::optional<long long> Number(const char* text, long long max, const std::string& what,
                                std::string& fault) {
  long long n = 0;
  const char* end = text + std::strlen(text);
  const auto [stop, ec] = std::from_chars(text, end, n);
  if (ec != std::errc() || stop != end || n < 0 || n > max) {
    if (fault.empty())
      fault = what + " is '" + std::string(text, std::min<std::size_t>(end - text, 20)) +
              "', not a whole number from 0 to " + std::to_string(max);
    return std::nullopt;
  }
  return n;
}

const char* Attribute(const char** attributes, const char* name) {
  for (int i = 0; attributes[i] != nullptr; i += 2)
    if (std::strcmp(attributes[i], name) == 0) return attributes[i + 1];
  return nullptr;
}

bool Under(const Collected& c, std::initializer_list<const char*> parents) {
  if (c.path.size() < parents.size()) return false;
  std::size_t i = c.path.size() - parents.size();
  for (const char* p : parents)
    if (c.path[i++] != p) return false;
  return true;
}

void XMLCALL Start(void* data, const char* name, const char** attributes) {
  Collected& c = *static_cast<Collected*>(data);
  const std::string element = name;
  std::string& fault = c.fault;
  if (c.path.empty()) {
    c.puzzle = element == "puzzle";
  } else if (element == "gridType" && Under(c, {"puzzle"})) {
    if (const char* t = Attribute(attributes, "type"))
      c.gridType = Number(t, 1000, "the grid type", fault).value_or(0);
  } else if (element == "voxel" && Under(c, {"puzzle", "shapes"})) {
    Voxel v;
    const std::string what = "shape " + std::to_string(c.voxels.size());
    for (auto [axis, out] : {std::pair{"x", &v.x}, {"y", &v.y}, {"z", &v.z}}) {
      const char* a = Attribute(attributes, axis);
      if (a == nullptr) {
        if (fault.empty()) fault = what + " has no size " + axis;
        continue;
      }
      *out = static_cast<int>(
          Number(a, kMaxCoordinate + 1, what + "'s size " + axis, fault).value_or(0));
    }
    if (const char* n = Attribute(attributes, "name")) v.name = n;
    c.voxels.push_back(std::move(v));
    c.inVoxel = true;
  } else if (element == "problem" && Under(c, {"puzzle", "problems"})) {
    Problem p;
    if (const char* n = Attribute(attributes, "name")) p.name = n;
    c.problems.push_back(std::move(p));
  } else if (element == "shape" && Under(c, {"problem", "shapes"}) && !c.problems.empty()) {
    ShapeUse use;
    const std::string what = "a shape of problem " + std::to_string(c.problems.size() - 1);
    if (const char* id = Attribute(attributes, "id"))
      use.id = Number(id, 1 << 20, what + ": its id", fault).value_or(-1);
    else if (fault.empty())
      fault = what + " has no id";
    constexpr long long kMaxCopies = 1 << 20;
    if (const char* n = Attribute(attributes, "count"))
      use.count = Number(n, kMaxCopies, what + ": its count", fault);
    if (const char* n = Attribute(attributes, "min"))
      use.min = Number(n, kMaxCopies, what + ": its min", fault);
    if (const char* n = Attribute(attributes, "max"))
      use.max = Number(n, kMaxCopies, what + ": its max", fault);
    c.problems.back().shapes.push_back(use);
  } else if (element == "result" && Under(c, {"puzzle", "problems", "problem"})) {
    if (const char* id = Attribute(attributes, "id"))
      c.problems.back().result =
          Number(id, 1 << 20, "the result of problem " + std::to_string(c.problems.size() - 1),
                 fault)
              .value_or(-1);
  }
  c.path.push_back(element);
}

void XMLCALL End(void* data, const char*) {
  Collected& c = *static_cast<Collected*>(data);
  if (!c.path.empty() && c.path.back() == "voxel") c.inVoxel = false;
  c.path.pop_back();
}

void XMLCALL Text(void* data, const char* text, int length) {
  Collected& c = *static_cast<Collected*>(data);
  if (c.inVoxel && !c.path.empty() && c.path.back() == "voxel") {
    std::string& voxels = c.voxels.back().text;
    if (voxels.size() + static_cast<std::size_t>(length) > kMaxVoxelTextBytes)
      return Stop(c, "shape " + std::to_string(c.voxels.size() - 1) +
                         ": its voxel text has more than " + std::to_string(kMaxVoxelTextBytes) +
                         " bytes (4 MiB)");
    voxels.append(text, static_cast<std::size_t>(length));
  }
}

void XMLCALL Entity(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                    const XML_Char*, const XML_Char*, const XML_Char*) {
  Stop(*static_cast<Collected*>(data),
       "the file declares entities (<!ENTITY>), which a puzzle file never needs: refused");
}

// A voxel's cells: the filled ones as points; false with a fault for a feature the engine
// cannot count or a text of the wrong length.
bool FilledCells(const Voxel& v, std::size_t index, std::vector<Point>& out, std::string& fault) {
  const std::string what =
      "shape " + std::to_string(index) + (v.name.empty() ? "" : " '" + v.name + "'");
  const long long cells = 1LL * v.x * v.y * v.z;
  if (cells == 0 || cells > kMaxVoxelCells) {
    fault = what + " is " + std::to_string(v.x) + " x " + std::to_string(v.y) + " x " +
            std::to_string(v.z) + " cells";
    return false;
  }
  long long k = 0;
  for (std::size_t i = 0; i < v.text.size(); ++i) {
    const char ch = v.text[i];
    if (ch == ' ' || ch == '\n' || ch == '\r' || ch == '\t') continue;
    if (ch != '#' && ch != '_' && ch != '+') {
      fault = what + ": cell " + std::to_string(k) + " is '" +
              (ch >= 0x20 && ch < 0x7f ? std::string(1, ch) : std::string("?")) +
              "', not #, _ or +";
      return false;
    }
    std::size_t j = i + 1;
    bool coloured = false;
    for (; j < v.text.size() && v.text[j] >= '0' && v.text[j] <= '9'; ++j)
      coloured = coloured || v.text[j] != '0';
    if (ch == '+') {
      fault = what + " has variable cells ('+'), which the engine does not count";
      return false;
    }
    if (coloured) {
      fault = what + " has coloured cells (colour constraints), which the engine does not count";
      return false;
    }
    if (k < cells && ch == '#')
      out.push_back({static_cast<int>(k % v.x), static_cast<int>(k / v.x % v.y),
                     static_cast<int>(k / (1LL * v.x * v.y))});
    ++k;
    i = j - 1;
  }
  if (k != cells) {
    fault = what + ": " + std::to_string(k) + " cells in its text, not " + std::to_string(v.x) +
            " x " + std::to_string(v.y) + " x " + std::to_string(v.z) + " = " +
            std::to_string(cells);
    return false;
  }
  return true;
}

// A piece name the text format would take: letters, digits, _ and -.
std::string PieceName(const Voxel& v, std::size_t index) {
  std::string name;
  for (const char ch : v.name)
    if (name.size() < kMaxPieceNameBytes - 8)
      name += (std::isalnum(static_cast<unsigned char>(ch)) != 0 || ch == '-') ? ch : '_';
  if (name.empty()) {
    name = "S";
    name += std::to_string(index);
  }
  return name;
}

XmPuzzleRead Fail(std::string fault) { return {{}, std::move(fault)}; }

// A problem of the file and the shapes it names, with the words that name it in a fault.
struct ProblemShapes {
  const Collected& c;
  const Problem& problem;
  std::string what;

  const Voxel* Shape(long long id, std::string& fault) const {
    if (id >= 0 && id < static_cast<long long>(c.voxels.size()))
      return &c.voxels[static_cast<std::size_t>(id)];
    fault = what + ": shape " + std::to_string(id) + " does not exist (the file has " +
            std::to_string(c.voxels.size()) + " shapes)";
    return nullptr;
  }
};

// The problem's name and target into `puzzle`; "" or the fault.
std::string ReadTarget(const ProblemShapes& s, std::size_t index, PuzzleText& puzzle) {
  if (s.problem.name.size() > kMaxProblemNameBytes)
    return "problem " + std::to_string(index) + "'s name has more than " +
           std::to_string(kMaxProblemNameBytes) + " bytes";
  // The name is one line of the count's summary: line ends from character references go.
  puzzle.name = s.problem.name;
  for (char& ch : puzzle.name)
    if (ch == '\n' || ch == '\r' || ch == '\t') ch = ' ';
  if (s.problem.result < 0) return s.what + " has no result shape";
  std::string fault;
  const Voxel* target = s.Shape(s.problem.result, fault);
  if (target == nullptr ||
      !FilledCells(*target, static_cast<std::size_t>(s.problem.result), puzzle.target, fault))
    return fault;
  if (puzzle.target.empty()) return s.what + ": the result shape has no cell";
  if (puzzle.target.size() > static_cast<std::size_t>(kMaxTargetCells))
    return s.what + ": the target has " + std::to_string(puzzle.target.size()) +
           " cells; the engine takes at most " + std::to_string(kMaxTargetCells);
  return "";
}

// How many copies of a shape the problem uses; false with the fault for a range.
bool CopiesOf(const ProblemShapes& s, const ShapeUse& use, long long& copies, std::string& fault) {
  copies = 1;
  if (use.count) {
    copies = *use.count;
  } else if (use.min || use.max) {
    const long long low = use.min.value_or(0), high = use.max.value_or(low);
    if (low != high) {
      fault = s.what + ": shape " + std::to_string(use.id) + " may be used " + std::to_string(low) +
              " to " + std::to_string(high) + " times; piece ranges are not counted";
      return false;
    }
    copies = low;
  }
  return true;
}

// The problem's pieces into `puzzle`, copies named apart; "" or the fault.
std::string ReadPieces(const ProblemShapes& s, PuzzleText& puzzle) {
  std::size_t cubes = 0;
  std::string fault;
  for (const ShapeUse& use : s.problem.shapes) {
    const Voxel* shape = s.Shape(use.id, fault);
    long long copies = 0;
    if (shape == nullptr || !CopiesOf(s, use, copies, fault)) return fault;
    if (copies == 0) continue;
    std::vector<Point> cells;
    if (!FilledCells(*shape, static_cast<std::size_t>(use.id), cells, fault)) return fault;
    if (cells.empty()) return s.what + ": shape " + std::to_string(use.id) + " has no cube";
    if (static_cast<long long>(cells.size()) * copies + static_cast<long long>(cubes) >
        kMaxTargetCells)
      return s.what + ": the pieces have more than " + std::to_string(kMaxTargetCells) +
             " cubes, the most the engine takes";
    cubes += cells.size() * static_cast<std::size_t>(copies);
    const std::string name = PieceName(*shape, static_cast<std::size_t>(use.id));
    for (long long k = 0; k < copies; ++k) {
      std::string copyName = k == 0 ? name : name + "-" + std::to_string(k + 1);
      while (std::any_of(puzzle.pieces.begin(), puzzle.pieces.end(),
                         [&](const PuzzlePiece& p) { return p.name == copyName; }))
        copyName += "_";
      PuzzlePiece piece;
      piece.name = copyName;
      piece.cubes = cells;
      puzzle.pieces.push_back(std::move(piece));
    }
  }
  if (puzzle.pieces.empty()) return s.what + " uses no pieces";
  if (cubes != puzzle.target.size())
    return s.what + ": the pieces have " + std::to_string(cubes) + " cubes in all, the target " +
           std::to_string(puzzle.target.size()) + " cells";
  return "";
}

// The puzzle of one problem from what the XML gave.
XmPuzzleRead Build(const Collected& c, const std::string& wanted) {
  if (!c.puzzle) return Fail("not a puzzle file: its root element is not <puzzle>");
  if (!c.fault.empty()) return Fail(c.fault);
  if (c.gridType != 0)
    return Fail("grid type " + std::to_string(c.gridType) +
                ": only puzzles of cubes (grid type 0) can be counted");
  if (c.problems.empty()) return Fail("the file has no problem");
  const auto it = wanted.empty() ? c.problems.begin()
                                 : std::find_if(c.problems.begin(), c.problems.end(),
                                                [&](const Problem& p) { return p.name == wanted; });
  if (it == c.problems.end()) return Fail("the file has no problem named '" + wanted + "'");
  const auto index = static_cast<std::size_t>(it - c.problems.begin());
  const ProblemShapes shapes{
      c, *it, "problem " + (it->name.empty() ? std::to_string(index) : "'" + it->name + "'")};
  XmPuzzleRead read;
  if (std::string fault = ReadTarget(shapes, index, read.puzzle); !fault.empty())
    return Fail(std::move(fault));
  if (std::string fault = ReadPieces(shapes, read.puzzle); !fault.empty())
    return Fail(std::move(fault));
  return read;
}

}  // namespace

XmPuzzleRead ParseXmPuzzle(std::string_view xml, const std::string& problem) {
  if (xml.size() > kMaxXmPuzzleBytes)
    return Fail("more than " + std::to_string(kMaxXmPuzzleBytes) + " bytes of XML");
  Collected c;
  XML_Parser parser = XML_ParserCreate(nullptr);
  if (parser == nullptr) return Fail("out of memory");
  c.parser = parser;
  XML_SetUserData(parser, &c);
  XML_SetElementHandler(parser, Start, End);
  XML_SetCharacterDataHandler(parser, Text);
  XML_SetEntityDeclHandler(parser, Entity);
  const bool parsed =
      XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1) != XML_STATUS_ERROR;
  std::string fault = c.stop;
  if (!parsed && fault.empty())
    fault = "not well-formed XML (line " + std::to_string(XML_GetCurrentLineNumber(parser)) + ": " +
            XML_ErrorString(XML_GetErrorCode(parser)) + ")";
  XML_ParserFree(parser);
  if (!parsed) return Fail(fault);
  return Build(c, problem);
}

XmPuzzleRead ParseXmPuzzleBytes(std::string_view bytes, const std::string& problem) {
  if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0x1f ||
      static_cast<unsigned char>(bytes[1]) != 0x8b)
    return ParseXmPuzzle(bytes, problem);
  if (bytes.size() > kMaxXmPuzzleBytes)
    return Fail("more than " + std::to_string(kMaxXmPuzzleBytes) + " bytes of compressed XML");
  z_stream z{};
  if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) return Fail("out of memory");
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  std::string xml;
  std::vector<char> buffer(1 << 16);
  int status = Z_OK;
  for (;;) {
    z.next_out = reinterpret_cast<Bytef*>(buffer.data());
    z.avail_out = static_cast<uInt>(buffer.size());
    status = inflate(&z, Z_NO_FLUSH);
    xml.append(buffer.data(), buffer.size() - z.avail_out);
    if (xml.size() > kMaxXmPuzzleBytes) {
      inflateEnd(&z);
      return Fail("more than " + std::to_string(kMaxXmPuzzleBytes) + " bytes of XML");
    }
    if (status == Z_STREAM_END && z.avail_in > 0 && inflateReset(&z) == Z_OK) continue;
    if (status != Z_OK) break;  // the end, or no progress: input cut short, or damaged
  }
  inflateEnd(&z);
  if (status != Z_STREAM_END) return Fail("the compressed data is cut short or damaged");
  return ParseXmPuzzle(xml, problem);
}

XmPuzzleRead ReadXmPuzzle(const std::string& path, const std::string& problem) {
  // gzread reads a file that is not compressed as it stands, so plain XML needs no other path.
  gzFile in = gzopen(path.c_str(), "rb");
  if (in == nullptr)
    return Fail("cannot open '" + path +
                "': " + (errno != 0 ? std::strerror(errno) : "out of memory"));
  std::string xml;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const int n = gzread(in, buffer.data(), static_cast<unsigned>(buffer.size()));
    if (n < 0) {
      int code = 0;
      const std::string why = gzerror(in, &code);
      gzclose(in);
      return Fail("cannot read '" + path +
                  "': " + (code == Z_ERRNO ? std::string(std::strerror(errno)) : why));
    }
    if (n == 0) break;
    xml.append(buffer.data(), static_cast<std::size_t>(n));
    if (xml.size() > kMaxXmPuzzleBytes) {
      gzclose(in);
      return Fail("'" + path + "' holds more than " + std::to_string(kMaxXmPuzzleBytes) +
                  " bytes of XML");
    }
  }
  // A gzip stream cut short ends without an error from gzread; gzclose says so.
  int code = 0;
  const std::string why = gzerror(in, &code);
  const int closed = gzclose(in);
  if (code != Z_OK || closed != Z_OK)
    return Fail("cannot read '" + path +
                "': " + (code != Z_OK ? why : "the compressed data is cut short or damaged"));
  return ParseXmPuzzle(xml, problem);
}

#endif

}  // namespace cubepack::general
