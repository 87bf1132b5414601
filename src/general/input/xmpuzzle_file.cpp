#include "general/input/xmpuzzle_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <map>
#include <optional>
#include <set>
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
  int weight = 1;
};

// A group a shape use's copies may be in: `count` of them, or all when none is given.
struct GroupUse {
  int id = 0;
  std::optional<long long> count;
};

struct ShapeUse {
  long long id = -1;
  std::optional<long long> count, min, max;
  std::vector<GroupUse> groups;  // as the file gives them, group 0 (none) too
};

struct Problem {
  std::string name;
  std::vector<ShapeUse> shapes;
  std::vector<ColourRule> allowed;  // colours counted from 1, as in the puzzle
  long long result = -1;
  int maxHoles = -1;
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
  std::size_t problemDepth = 0;  // the depth of the open <problem>, 0 outside one
  std::string fault;             // the first fault found in an attribute
  std::string stop;  // a fault that stopped the parser, which is then the file's only one
};

void Stop(Collected& c, std::string fault) {
  if (c.stop.empty()) c.stop = std::move(fault);
  XML_StopParser(c.parser, XML_FALSE);
}

// A whole number from `min` to `max` in an attribute; `what` names it in the fault.
std::optional<long long> Number(const char* text, long long max, const std::string& what,
                                std::string& fault, long long min = 0) {
  long long n = 0;
  const char* end = text + std::strlen(text);
  const auto [stop, ec] = std::from_chars(text, end, n);
  if (ec != std::errc() || stop != end || n < min || n > max) {
    if (fault.empty())
      fault = what + " is '" + std::string(text, std::min<std::size_t>(end - text, 20)) +
              "', not a whole number from " + std::to_string(min) + " to " + std::to_string(max);
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

void StartVoxel(Collected& c, const char** attributes) {
  Voxel v;
  const std::string what = "shape " + std::to_string(c.voxels.size());
  for (auto [axis, out] : {std::pair{"x", &v.x}, {"y", &v.y}, {"z", &v.z}}) {
    const char* a = Attribute(attributes, axis);
    if (a == nullptr) {
      if (c.fault.empty()) c.fault = what + " has no size " + axis;
      continue;
    }
    *out = static_cast<int>(
        Number(a, kMaxCoordinate + 1, what + "'s size " + axis, c.fault).value_or(0));
  }
  if (const char* n = Attribute(attributes, "name")) v.name = n;
  if (const char* w = Attribute(attributes, "weight"))
    v.weight = static_cast<int>(Number(w, kMaxWeight, what + "'s weight", c.fault, 1).value_or(1));
  c.voxels.push_back(std::move(v));
  c.inVoxel = true;
}

void StartProblem(Collected& c, const char** attributes) {
  Problem p;
  if (const char* n = Attribute(attributes, "name")) p.name = n;
  if (const char* h = Attribute(attributes, "maxHoles"))
    p.maxHoles = static_cast<int>(
        Number(h, kMaxTargetCells, "the maxHoles of problem " + std::to_string(c.problems.size()),
               c.fault)
            .value_or(-1));
  c.problems.push_back(std::move(p));
  c.problemDepth = c.path.size() + 1;
}

void StartShapeUse(Collected& c, const char** attributes) {
  ShapeUse use;
  const std::string what = "a shape of problem " + std::to_string(c.problems.size() - 1);
  std::string& fault = c.fault;
  if (const char* id = Attribute(attributes, "id"))
    use.id = Number(id, 1 << 20, what + ": its id", fault).value_or(-1);
  else if (fault.empty())
    fault = what + " has no id";
  if (const char* n = Attribute(attributes, "count"))
    use.count = Number(n, kMaxCopies, what + ": its count", fault);
  if (const char* n = Attribute(attributes, "min"))
    use.min = Number(n, kMaxCopies, what + ": its min", fault);
  if (const char* n = Attribute(attributes, "max"))
    use.max = Number(n, kMaxCopies, what + ": its max", fault);
  if (const char* g = Attribute(attributes, "group"))
    use.groups.push_back(
        {static_cast<int>(Number(g, kMaxGroupId, what + ": its group", fault).value_or(0)), {}});
  c.problems.back().shapes.push_back(use);
}

// A group some of a shape use's copies may be in. Its count may exceed the copies (it is cut to
// them), so it is bounded only to stay a number.
void StartGroup(Collected& c, const char** attributes) {
  const std::string what = "a group of problem " + std::to_string(c.problems.size() - 1);
  GroupUse group;
  if (const char* g = Attribute(attributes, "group"))
    group.id = static_cast<int>(Number(g, kMaxGroupId, what + ": its id", c.fault).value_or(0));
  else if (c.fault.empty())
    c.fault = what + " has no id";
  if (const char* n = Attribute(attributes, "count"))
    group.count = Number(n, std::numeric_limits<int>::max(), what + ": its count", c.fault);
  std::vector<ShapeUse>& uses = c.problems.back().shapes;
  if (!uses.empty()) uses.back().groups.push_back(group);
}

// A colour pair: piece colour P may lie on result colour R. Pairs count colours from 0, the
// voxels' numbers and the puzzle from 1 (0 is plain there).
void StartPair(Collected& c, const char** attributes) {
  const std::string what = "a colour pair of problem " + std::to_string(c.problems.size() - 1);
  ColourRule rule;
  for (auto [key, out] : {std::pair{"piece", &rule.piece}, {"result", &rule.target}}) {
    const char* a = Attribute(attributes, key);
    if (a == nullptr) {
      if (c.fault.empty()) c.fault = what + " has no " + key + " colour";
      continue;
    }
    const auto n = Number(a, kMaxColour - 1, what + ": its " + key + " colour", c.fault);
    *out = static_cast<int>(n.value_or(0)) + 1;
  }
  std::vector<ColourRule>& allowed = c.problems.back().allowed;
  if (c.fault.empty() && std::find(allowed.begin(), allowed.end(), rule) == allowed.end())
    allowed.push_back(rule);
}

void XMLCALL Start(void* data, const char* name, const char** attributes) {
  Collected& c = *static_cast<Collected*>(data);
  const std::string element = name;
  if (c.path.empty()) {
    c.puzzle = element == "puzzle";
  } else if (element == "gridType" && Under(c, {"puzzle"})) {
    if (const char* t = Attribute(attributes, "type"))
      c.gridType = Number(t, 1000, "the grid type", c.fault).value_or(0);
  } else if (element == "voxel" && Under(c, {"puzzle", "shapes"})) {
    StartVoxel(c, attributes);
  } else if (element == "problem" && Under(c, {"puzzle", "problems"})) {
    StartProblem(c, attributes);
  } else if (c.problemDepth == 0) {
    // Nothing else outside a problem is read.
  } else if (element == "shape" && Under(c, {"problem", "shapes"})) {
    StartShapeUse(c, attributes);
  } else if (element == "group" && Under(c, {"problem", "shapes", "shape"})) {
    StartGroup(c, attributes);
  } else if (element == "pair") {
    StartPair(c, attributes);
  } else if (element == "result" && Under(c, {"puzzle", "problems", "problem"})) {
    if (const char* id = Attribute(attributes, "id"))
      c.problems.back().result =
          Number(id, 1 << 20, "the result of problem " + std::to_string(c.problems.size() - 1),
                 c.fault)
              .value_or(-1);
  }
  c.path.push_back(element);
}

void XMLCALL End(void* data, const char*) {
  Collected& c = *static_cast<Collected*>(data);
  if (!c.path.empty() && c.path.back() == "voxel") c.inVoxel = false;
  if (c.path.size() == c.problemDepth) c.problemDepth = 0;
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

// A voxel's cells that are not empty, in the text's order.
struct Cells {
  std::vector<Point> at;
  std::vector<int> colours;            // per cell, 0 for plain
  std::vector<std::uint8_t> variable;  // per cell, 1 for '+'
};

// The colour number that may follow a cell's character at text[i]; i moves past it.
bool ReadColour(const std::string& text, std::size_t& i, int& colour) {
  long long n = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    n = std::min<long long>(n * 10 + (text[i] - '0'), kMaxColour + 1);
  colour = static_cast<int>(n);
  return n <= kMaxColour;
}

// A voxel's cells; false with a fault for a text of the wrong length or a bad character.
bool ReadCells(const Voxel& v, std::size_t index, Cells& out, std::string& fault) {
  const std::string what =
      "shape " + std::to_string(index) + (v.name.empty() ? "" : " '" + v.name + "'");
  const long long cells = 1LL * v.x * v.y * v.z;
  if (cells == 0 || cells > kMaxVoxelCells) {
    fault = what + " is " + std::to_string(v.x) + " x " + std::to_string(v.y) + " x " +
            std::to_string(v.z) + " cells";
    return false;
  }
  long long k = 0;
  for (std::size_t i = 0; i < v.text.size();) {
    const char ch = v.text[i++];
    if (ch == ' ' || ch == '\n' || ch == '\r' || ch == '\t') continue;
    if (ch != '#' && ch != '_' && ch != '+') {
      fault = what + ": cell " + std::to_string(k) + " is '" +
              (ch >= 0x20 && ch < 0x7f ? std::string(1, ch) : std::string("?")) +
              "', not #, _ or +";
      return false;
    }
    const std::size_t digits = i;
    int colour = 0;
    if (!ReadColour(v.text, i, colour)) {
      fault = what + ": cell " + std::to_string(k) + " has colour '" +
              v.text.substr(digits, std::min<std::size_t>(i - digits, 20)) + "', above " +
              std::to_string(kMaxColour);
      return false;
    }
    if (k < cells && ch != '_') {
      out.at.push_back({static_cast<int>(k % v.x), static_cast<int>(k / v.x % v.y),
                        static_cast<int>(k / (1LL * v.x * v.y))});
      out.colours.push_back(colour);
      out.variable.push_back(ch == '+' ? 1 : 0);
    }
    ++k;
  }
  if (k != cells) {
    fault = what + ": " + std::to_string(k) + " cells in its text, not " + std::to_string(v.x) +
            " x " + std::to_string(v.y) + " x " + std::to_string(v.z) + " = " +
            std::to_string(cells);
    return false;
  }
  return true;
}

// A piece name the text format would take: letters, digits, _ and -, with room for a suffix.
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

// `base`, or base-2, base-3... when that is taken: names stay unique as the text format wants.
std::string UniqueName(const std::string& base, std::set<std::string>& taken,
                       std::map<std::string, int>& lastSuffix) {
  int& k = lastSuffix[base];
  std::string name = base;
  while (!taken.insert(name).second) {
    k = std::max(k, 1) + 1;
    name = base + "-" + std::to_string(k);
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
  Cells cells;
  if (target == nullptr ||
      !ReadCells(*target, static_cast<std::size_t>(s.problem.result), cells, fault))
    return fault;
  if (cells.at.empty()) return s.what + ": the result shape has no cell";
  if (cells.at.size() > static_cast<std::size_t>(kMaxTargetCells))
    return s.what + ": the target has " + std::to_string(cells.at.size()) +
           " cells; the engine takes at most " + std::to_string(kMaxTargetCells);
  puzzle.target = std::move(cells.at);
  // '+' is a cell the designer lets stay empty.
  if (std::any_of(cells.variable.begin(), cells.variable.end(), [](auto v) { return v != 0; }))
    puzzle.optional = std::move(cells.variable);
  if (std::any_of(cells.colours.begin(), cells.colours.end(), [](int c) { return c != 0; }))
    puzzle.targetColours = std::move(cells.colours);
  puzzle.maxHoles = s.problem.maxHoles;
  puzzle.allowed = s.problem.allowed;
  return "";
}

// The copies a shape use asks for: `count`, or `min` to `max`. Without a max, min is at least
// that many: up to as many as fit in the target. Without a min, max is up to that many, from
// none. Without either, one.
bool CopiesOf(const ProblemShapes& s, const ShapeUse& use, std::size_t cubes, std::size_t cells,
              PuzzlePiece& piece, std::string& fault) {
  const std::string shape = "shape " + std::to_string(use.id);
  long long low = 1, high = 1;
  if (use.count) {
    low = high = *use.count;
  } else if (use.max) {
    low = use.min.value_or(0);
    high = *use.max;
    if (low > high) {
      fault = s.what + ": " + shape + " has min " + std::to_string(low) + " above max " +
              std::to_string(high);
      return false;
    }
  } else if (use.min) {
    low = *use.min;
    high = std::max<long long>(low, static_cast<long long>(cells / cubes));
    if (high > kMaxCopies) {
      fault = s.what + ": " + shape + " has a min and no max, and " + std::to_string(high) +
              " copies fit in the target; give a max up to " + std::to_string(kMaxCopies);
      return false;
    }
  }
  piece.minCopies = static_cast<int>(low);
  piece.maxCopies = static_cast<int>(high);
  return true;
}

// The cells of shape `id`, read once however often the problem uses it.
const Cells* ShapeCells(const ProblemShapes& s, long long id, std::map<long long, Cells>& read,
                        std::string& fault) {
  const Voxel* shape = s.Shape(id, fault);
  if (shape == nullptr) return nullptr;
  if (const auto it = read.find(id); it != read.end()) return &it->second;
  Cells cells;
  if (!ReadCells(*shape, static_cast<std::size_t>(id), cells, fault)) return nullptr;
  if (cells.at.empty()) {
    fault = s.what + ": shape " + std::to_string(id) + " has no cube";
    return nullptr;
  }
  if (cells.at.size() > static_cast<std::size_t>(kMaxTargetCells)) {
    fault = s.what + ": shape " + std::to_string(id) + " has more than " +
            std::to_string(kMaxTargetCells) + " cubes, the most the engine takes";
    return nullptr;
  }
  return &read.emplace(id, std::move(cells)).first->second;
}

// A use's groups as its piece keeps them: group 0 (none) and groups of no copies left out, a
// group given twice once with its counts added, every count cut to the piece's copies.
std::vector<PieceGroup> GroupsOf(const ShapeUse& use, int maxCopies) {
  std::vector<PieceGroup> groups;
  std::map<int, std::size_t> at;
  for (const GroupUse& g : use.groups) {
    const long long count = std::min<long long>(g.count.value_or(maxCopies), maxCopies);
    if (g.id == 0 || count == 0) continue;
    const auto [it, added] = at.emplace(g.id, groups.size());
    if (added) groups.push_back({g.id, 0});
    PieceGroup& group = groups[it->second];
    group.count = static_cast<int>(std::min<long long>(group.count + count, maxCopies));
  }
  return groups;
}

// The problem's pieces into `puzzle`, one for each shape it uses; "" or the fault.
std::string ReadPieces(const ProblemShapes& s, PuzzleText& puzzle) {
  std::map<long long, Cells> read;
  std::set<std::string> names;
  std::map<std::string, int> suffixes;
  long long cubes = 0;
  std::string fault;
  for (const ShapeUse& use : s.problem.shapes) {
    const Voxel* shape = s.Shape(use.id, fault);
    if (shape == nullptr) return fault;
    if (use.count ? *use.count == 0 : use.max && *use.max == 0 && use.min.value_or(0) == 0)
      continue;
    const Cells* cells = ShapeCells(s, use.id, read, fault);
    PuzzlePiece piece;
    if (cells == nullptr || !CopiesOf(s, use, cells->at.size(), puzzle.target.size(), piece, fault))
      return fault;
    if (piece.maxCopies == 0) continue;  // none fits, and none is asked for
    // Bounds on the reader's work and memory, far above any puzzle the engine can count.
    if (puzzle.pieces.size() == static_cast<std::size_t>(kMaxTargetCells))
      return s.what + " uses more than " + std::to_string(kMaxTargetCells) +
             " shapes; a target has at most " + std::to_string(kMaxTargetCells) + " cells";
    cubes += static_cast<long long>(cells->at.size());
    if (cubes > kMaxVoxelCells)
      return s.what + ": its pieces have more than " + std::to_string(kMaxVoxelCells) +
             " cubes in all";
    piece.name = UniqueName(PieceName(*shape, static_cast<std::size_t>(use.id)), names, suffixes);
    piece.cubes = cells->at;
    piece.weight = shape->weight;
    piece.groups = GroupsOf(use, piece.maxCopies);
    // A '+' in a piece is a cube like '#': only a target has cells that may stay empty.
    if (std::any_of(cells->colours.begin(), cells->colours.end(), [](int c) { return c != 0; }))
      piece.colours = cells->colours;
    puzzle.pieces.push_back(std::move(piece));
  }
  if (puzzle.pieces.empty()) return s.what + " uses no pieces";
  if (std::string volumes = CheckVolumes(puzzle); !volumes.empty()) return s.what + ": " + volumes;
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
  // Two shapes drawn alike are still two pieces: the designer told them apart.
  read.puzzle.shapesInterchangeable = false;
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
