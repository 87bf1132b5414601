#include "general/input/puzzle_file.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "shared/text.h"

namespace cubepack::general {

std::string CheckOneSided(const PuzzleText& t);

namespace {

struct Fault {
  int line;
  std::string what;
};

std::string Quoted(std::string_view s) {
  constexpr std::size_t kShown = 40;
  std::string out(1, '\'');
  out += s.substr(0, kShown);
  out += s.size() > kShown ? "...'" : "'";
  return out;
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::size_t j = i;
    while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
    if (j > i) words.push_back(line.substr(i, j - i));
    i = j;
  }
  return words;
}

// A whole number from 0 to `max`; `what` names it in the fault.
bool ReadNumber(std::string_view text, int max, int& out, std::string& fault,
                std::string_view what) {
  if (text.empty()) {
    fault = "missing number in " + std::string(what);
    return false;
  }
  if (text[0] == '-') {
    fault = "negative number " + Quoted(text) + " in " + std::string(what);
    return false;
  }
  long long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      fault = "bad number " + Quoted(text) + " in " + std::string(what);
      return false;
    }
    value = value * 10 + (c - '0');
    if (value > max) {
      fault = "number " + Quoted(text) + " in " + std::string(what) + " is above " +
              std::to_string(max);
      return false;
    }
  }
  out = static_cast<int>(value);
  return true;
}

// x,y,z, or x,y,z:K for a cube or cell of colour K.
bool ReadCube(std::string_view word, Point& p, int& colour, std::string& fault) {
  const std::string what = "cube " + Quoted(word);
  colour = 0;
  std::string_view coordinates = word;
  if (const std::size_t colon = word.find(':'); colon != std::string_view::npos) {
    coordinates = word.substr(0, colon);
    if (!ReadNumber(word.substr(colon + 1), kMaxColour, colour, fault, what)) return false;
    if (colour == 0) {
      fault =
          "colour 0 in cube " + Quoted(word) + ": colours count from 1 (leave plain cubes bare)";
      return false;
    }
  }
  int c[3];
  std::size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    const std::size_t comma = coordinates.find(',', start);
    const bool last = i == 2;
    if (last != (comma == std::string_view::npos)) {
      fault = "bad cube " + Quoted(word) + ": expected x,y,z or x,y,z:K";
      return false;
    }
    const std::string_view part =
        coordinates.substr(start, last ? std::string_view::npos : comma - start);
    if (!ReadNumber(part, kMaxCoordinate, c[i], fault, what)) return false;
    start = comma + 1;
  }
  p = {c[0], c[1], c[2]};
  return true;
}

// What a list of cubes or a drawing gives: per cube its colour, and whether it may stay empty
// (a target's '+').
struct Cubes {
  std::vector<Point> at;
  std::vector<int> colours;
  std::vector<std::uint8_t> optional;
};

// Layers of rows: 'x' a cube, '.' none, '+' (a target's) a cell that may stay empty; rows joined
// by '/', one word per layer.
bool ReadDrawing(const std::vector<std::string_view>& words, std::size_t first, bool target,
                 Cubes& out, std::string& fault) {
  if (first >= words.size()) {
    fault = "draw needs at least one layer";
    return false;
  }
  for (std::size_t w = first; w < words.size(); ++w) {
    const int z = static_cast<int>(w - first);
    int x = 0, y = 0;
    for (const char c : words[w]) {
      if (c == '/') {
        ++y;
        x = 0;
        continue;
      }
      const bool cube = c == 'x' || c == 'X';
      const bool optional = target && c == '+';
      if (!cube && !optional && c != '.') {
        fault = "bad character '" + std::string(1, c) + "' in drawing " + Quoted(words[w]) +
                (target ? ": use 'x' for a cell, '+' for one that may stay empty, '.' for none, "
                          "'/' between rows"
                        : ": use 'x' for a cube, '.' for none, '/' between rows");
        return false;
      }
      if (x > kMaxCoordinate || y > kMaxCoordinate || z > kMaxCoordinate) {
        fault = "drawing " + Quoted(words[w]) + " is wider than " +
                std::to_string(kMaxCoordinate + 1) + " cells";
        return false;
      }
      if (cube || optional) {
        out.at.push_back({x, y, z});
        out.colours.push_back(0);
        out.optional.push_back(optional ? 1 : 0);
      }
      ++x;
    }
  }
  return true;
}

std::string CubeText(const Point& p) {
  return std::to_string(p.x) + "," + std::to_string(p.y) + "," + std::to_string(p.z);
}

// The cubes after position `first`: listed or drawn.
bool ReadCubes(const std::vector<std::string_view>& words, std::size_t first, bool target,
               Cubes& cubes, std::string& fault) {
  if (first < words.size() && words[first] == "draw")
    return ReadDrawing(words, first + 1, target, cubes, fault);
  for (std::size_t i = first; i < words.size(); ++i) {
    Point p;
    int colour = 0;
    if (!ReadCube(words[i], p, colour, fault)) return false;
    cubes.at.push_back(p);
    cubes.colours.push_back(colour);
    cubes.optional.push_back(0);
  }
  return true;
}

// Copies as N or MIN-MAX.
bool ReadCopies(std::string_view word, int& low, int& high, std::string& fault) {
  const std::size_t dash = word.find('-');
  if (!ReadNumber(word.substr(0, dash), kMaxCopies, low, fault, "copies")) return false;
  high = low;
  if (dash != std::string_view::npos &&
      !ReadNumber(word.substr(dash + 1), kMaxCopies, high, fault, "copies"))
    return false;
  if (high < low || high == 0) {
    fault = "copies " + Quoted(word) + ": give N or MIN-MAX with MAX at least MIN and 1";
    return false;
  }
  return true;
}

bool ReadWeight(std::string_view word, int& weight, std::string& fault) {
  if (!ReadNumber(word, kMaxWeight, weight, fault, "weight")) return false;
  if (weight == 0) {
    fault = "weight 0: weights count from 1";
    return false;
  }
  return true;
}

// G or G:N items joined by commas. An item without :N has count 0 until the piece's copies are
// known: `copies` may follow `group`.
bool ReadGroups(std::string_view word, std::vector<PieceGroup>& groups, std::string& fault) {
  const std::string what = "group " + Quoted(word);
  std::set<int> ids;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = word.find(',', start);
    const std::string_view item = word.substr(start, comma - start);
    const std::size_t colon = item.find(':');
    PieceGroup group;
    if (!ReadNumber(item.substr(0, colon), kMaxGroupId, group.id, fault, what)) return false;
    if (colon != std::string_view::npos &&
        !ReadNumber(item.substr(colon + 1), kMaxCopies, group.count, fault, what))
      return false;
    const std::string id = std::to_string(group.id);
    if (group.id == 0) {
      fault = "group 0 in " + what + ": groups count from 1 (a piece of no group has no group)";
      return false;
    }
    if (colon != std::string_view::npos && group.count == 0) {
      fault = "group " + id + ":0 in " + what + ": a group takes at least 1 copy";
      return false;
    }
    if (!ids.insert(group.id).second) {
      fault = "group " + id + " twice in " + what;
      return false;
    }
    groups.push_back(group);
    if (comma == std::string_view::npos) return true;
    start = comma + 1;
  }
}

std::string OptionUsage(std::string_view option) {
  if (option == "copies") return "copies needs N or MIN-MAX";
  if (option == "weight") return "weight needs a number from 1 to " + std::to_string(kMaxWeight);
  return "group needs G or G:N items joined by commas, e.g. group 1:2,3";
}

// The words between a piece's name and its cubes: copies, weight and group, in any order, each
// at most once. `first` moves past them.
bool ReadPieceOptions(const std::vector<std::string_view>& words, std::size_t& first,
                      PuzzlePiece& piece, std::string& fault) {
  std::set<std::string_view> seen;
  for (; first < words.size(); first += 2) {
    const std::string_view option = words[first];
    if (option != "copies" && option != "weight" && option != "group") break;
    if (!seen.insert(option).second) {
      fault = "piece " + piece.name + " has " + std::string(option) + " twice";
      return false;
    }
    if (first + 1 == words.size()) {
      fault = OptionUsage(option);
      return false;
    }
    const std::string_view value = words[first + 1];
    if (!(option == "copies"   ? ReadCopies(value, piece.minCopies, piece.maxCopies, fault)
          : option == "weight" ? ReadWeight(value, piece.weight, fault)
                               : ReadGroups(value, piece.groups, fault)))
      return false;
  }
  for (PieceGroup& g : piece.groups) {
    if (g.count == 0) g.count = piece.maxCopies;
    if (g.count > piece.maxCopies) {
      fault = "group " + std::to_string(g.id) + ":" + std::to_string(g.count) +
              " allows more copies than the piece's " + std::to_string(piece.maxCopies);
      return false;
    }
  }
  return true;
}

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-';
}

class Reader {
 public:
  PuzzleParse Read(std::string_view text) {
    PuzzleParse result;
    if (text.size() > kMaxPuzzleFileBytes) {
      result.error = "the file has more than " + std::to_string(kMaxPuzzleFileBytes) + " bytes";
      return result;
    }
    int lineNumber = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
      ++lineNumber;
      std::size_t end = text.find('\n', pos);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(pos, end - pos);
      pos = end + 1;
      if (line.size() > kMaxPuzzleLineBytes)
        return Failed(result, lineNumber,
                      "line longer than " + std::to_string(kMaxPuzzleLineBytes) + " bytes");
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      for (const char c : line) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7f) {
          char hex[8];
          std::snprintf(hex, sizeof hex, "0x%02x", u);
          return Failed(result, lineNumber, std::string("not a text file (byte ") + hex + ")");
        }
      }
      std::string fault;
      if (!Line(line, lineNumber, fault)) return Failed(result, lineNumber, fault);
    }
    return Finish(result);
  }

 private:
  static PuzzleParse& Failed(PuzzleParse& result, int line, std::string what) {
    result.errorLine = line;
    result.error = std::move(what);
    return result;
  }

  bool Line(std::string_view line, int number, std::string& fault) {
    if (const std::size_t hash = line.find('#'); hash != std::string_view::npos)
      line = line.substr(0, hash);
    const std::vector<std::string_view> words = Words(line);
    if (words.empty()) return true;
    const std::string_view key = words[0];
    if (key == "name") return Name(line, number, fault);
    if (key == "box") return Box(words, number, fault);
    if (key == "target") return Target(words, number, fault);
    if (key == "piece") return Piece(words, number, fault);
    if (key == "max-holes") return MaxHoles(words, number, fault);
    if (key == "allow") return Allow(words, fault);
    if (key == "one-sided") return OneSided(words, fault);
    fault = "unknown keyword " + Quoted(key) +
            " (name, box, target, piece, max-holes, allow or one-sided)";
    return false;
  }

  bool MaxHoles(const std::vector<std::string_view>& words, int number, std::string& fault) {
    if (maxHolesLine_ != 0) {
      fault = "a second max-holes line (the first is line " + std::to_string(maxHolesLine_) + ")";
      return false;
    }
    if (words.size() != 2) {
      fault = "max-holes needs one number: max-holes N";
      return false;
    }
    if (!ReadNumber(words[1], kMaxTargetCells, puzzle_.maxHoles, fault, "max-holes")) return false;
    maxHolesLine_ = number;
    return true;
  }

  bool Allow(const std::vector<std::string_view>& words, std::string& fault) {
    if (words.size() != 3) {
      fault = "allow needs two colours: allow K L (piece colour K on target colour L)";
      return false;
    }
    ColourRule rule;
    if (!ReadNumber(words[1], kMaxColour, rule.piece, fault, "allow") ||
        !ReadNumber(words[2], kMaxColour, rule.target, fault, "allow"))
      return false;
    if (rule.piece == 0 || rule.target == 0) {
      fault = "colour 0 in allow: colours count from 1 (plain matches anything)";
      return false;
    }
    if (std::find(puzzle_.allowed.begin(), puzzle_.allowed.end(), rule) == puzzle_.allowed.end())
      puzzle_.allowed.push_back(rule);
    return true;
  }

  bool OneSided(const std::vector<std::string_view>& words, std::string& fault) {
    if (words.size() != 1) {
      fault = "one-sided takes nothing after it";
      return false;
    }
    puzzle_.oneSided = true;
    return true;
  }

  bool Name(std::string_view line, int, std::string& fault) {
    if (haveName_) {
      fault = "a second name line";
      return false;
    }
    haveName_ = true;
    const std::size_t start = line.find("name") + 4;
    std::string_view rest = line.substr(start);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);
    // The name goes into JSON and onto terminals as it is.
    if (const std::size_t bad = InvalidUtf8At(rest); bad != std::string_view::npos) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02x", static_cast<unsigned char>(rest[bad]));
      fault = std::string("the name is not UTF-8 text (byte ") + hex + ")";
      return false;
    }
    puzzle_.name = rest;
    return true;
  }

  bool Box(const std::vector<std::string_view>& words, int number, std::string& fault) {
    if (boxLine_ != 0 || targetLine_ != 0) {
      fault = boxLine_ != 0
                  ? "a second box line (the first is line " + std::to_string(boxLine_) + ")"
                  : "box and target lines together: give one or the other";
      return false;
    }
    if (words.size() != 4) {
      fault = "box needs three sizes: box X Y Z";
      return false;
    }
    int size[3];
    for (int i = 0; i < 3; ++i) {
      if (!ReadNumber(words[i + 1], kMaxCoordinate + 1, size[i], fault, "box")) return false;
      if (size[i] == 0) {
        fault = "box size 0";
        return false;
      }
    }
    const long long cells = 1LL * size[0] * size[1] * size[2];
    if (cells > kMaxTargetCells) {
      fault = "the box has " + std::to_string(cells) + " cells; the engine takes at most " +
              std::to_string(kMaxTargetCells);
      return false;
    }
    boxLine_ = number;
    for (int z = 0; z < size[2]; ++z)
      for (int y = 0; y < size[1]; ++y)
        for (int x = 0; x < size[0]; ++x) puzzle_.target.push_back({x, y, z});
    return true;
  }

  bool Target(const std::vector<std::string_view>& words, int number, std::string& fault) {
    if (boxLine_ != 0) {
      fault = "box and target lines together: give one or the other";
      return false;
    }
    const bool optional = words.size() > 1 && words[1] == "optional";
    const std::size_t first = optional ? 2 : 1;
    if (words.size() <= first) {
      fault = "target needs cells x,y,z or a drawing";
      return false;
    }
    Cubes cells;
    if (!ReadCubes(words, first, true, cells, fault)) return false;
    for (std::size_t i = 0; i < cells.at.size(); ++i) {
      const Point p = cells.at[i];
      if (!targetCells_.insert(p).second) {
        fault = "target cell " + CubeText(p) + " given twice";
        return false;
      }
      if (static_cast<int>(targetCells_.size()) > kMaxTargetCells) {
        fault = "the target has more than " + std::to_string(kMaxTargetCells) +
                " cells, the most the engine takes";
        return false;
      }
      puzzle_.target.push_back(p);
      puzzle_.optional.push_back(optional || cells.optional[i] ? 1 : 0);
      puzzle_.targetColours.push_back(cells.colours[i]);
    }
    if (targetLine_ == 0) targetLine_ = number;
    return true;
  }

  bool Piece(const std::vector<std::string_view>& words, int number, std::string& fault) {
    if (words.size() < 2) {
      fault = "piece needs a name and its cubes";
      return false;
    }
    const std::string_view name = words[1];
    if (name.size() > kMaxPieceNameBytes || !std::all_of(name.begin(), name.end(), IsNameChar) ||
        name == "draw" || name == "copies" || name == "weight" || name == "group") {
      fault = "bad piece name " + Quoted(name) + " (up to " + std::to_string(kMaxPieceNameBytes) +
              " letters, digits, _ or -)";
      return false;
    }
    for (const PuzzlePiece& p : puzzle_.pieces)
      if (p.name == name) {
        fault = "a second piece named " + std::string(name) + " (the first is on line " +
                std::to_string(p.line) + ")";
        return false;
      }
    PuzzlePiece piece;
    piece.name = name;
    piece.line = number;
    std::size_t first = 2;
    if (!ReadPieceOptions(words, first, piece, fault)) return false;
    Cubes cubes;
    if (!ReadCubes(words, first, false, cubes, fault)) return false;
    piece.cubes = std::move(cubes.at);
    if (std::any_of(cubes.colours.begin(), cubes.colours.end(), [](int c) { return c != 0; }))
      piece.colours = std::move(cubes.colours);
    if (piece.cubes.empty()) {
      fault = "piece " + piece.name + " has no cube";
      return false;
    }
    std::set<Point> seen;
    for (const Point& p : piece.cubes)
      if (!seen.insert(p).second) {
        fault = "piece " + piece.name + " has cube " + CubeText(p) + " twice";
        return false;
      }
    if (static_cast<int>(piece.cubes.size()) > kMaxTargetCells) {
      fault = "piece " + piece.name + " has more than " + std::to_string(kMaxTargetCells) +
              " cubes, the most the engine takes";
      return false;
    }
    puzzle_.pieces.push_back(std::move(piece));
    return true;
  }

  PuzzleParse Finish(PuzzleParse& result) {
    if (puzzle_.target.empty())
      return Failed(result, 0, "no target: give a box line or target lines");
    if (puzzle_.pieces.empty()) return Failed(result, 0, "no pieces: give piece lines");
    if (std::none_of(puzzle_.optional.begin(), puzzle_.optional.end(), [](auto o) { return o; }))
      puzzle_.optional.clear();
    if (std::none_of(puzzle_.targetColours.begin(), puzzle_.targetColours.end(),
                     [](int c) { return c != 0; }))
      puzzle_.targetColours.clear();
    if (std::string fault = CheckVolumes(puzzle_); !fault.empty())
      return Failed(result, puzzle_.pieces.back().line, fault);
    if (std::string fault = CheckOneSided(puzzle_); !fault.empty()) return Failed(result, 0, fault);
    result.puzzle = std::move(puzzle_);
    return result;
  }

  PuzzleText puzzle_;
  std::set<Point> targetCells_;
  int maxHolesLine_ = 0;
  int boxLine_ = 0;
  int targetLine_ = 0;
  bool haveName_ = false;
};

}  // namespace

std::string CheckOneSided(const PuzzleText& t) {
  if (!t.oneSided) return "";
  const int axis = FlatAxis(t.target);
  if (axis < 0) return "one-sided: the target is not flat (one cell thick)";
  for (const PuzzlePiece& piece : t.pieces)
    if (!std::all_of(piece.cubes.begin(), piece.cubes.end(), [&](const Point& p) {
          return Coordinate(p, axis) == Coordinate(piece.cubes[0], axis);
        }))
      return "one-sided: piece " + piece.name + " does not lie flat in the target's plane";
  return "";
}

std::string CheckVolumes(const PuzzleText& t) {
  const auto cells = static_cast<long long>(t.target.size());
  long long must = 0;
  for (std::size_t i = 0; i < t.target.size(); ++i) must += IsOptional(t, i) ? 0 : 1;
  const bool exact = must == cells && std::all_of(t.pieces.begin(), t.pieces.end(), [](auto& p) {
                       return p.minCopies == p.maxCopies;
                     });
  if (exact) {
    long long cubes = 0;
    for (const PuzzlePiece& p : t.pieces)
      cubes += static_cast<long long>(p.cubes.size()) * p.minCopies;
    if (cubes == cells) return "";
    return "the pieces have " + std::to_string(cubes) + " cubes in all, the target " +
           std::to_string(cells) + " cells";
  }
  // The volumes some choice of copies covers, up to the target's: for each piece, a volume is
  // reached when one of the MAX - MIN + 1 volumes k copies below it was, counted in a window
  // that slides along each residue, so that wide ranges cost no more than narrow ones.
  std::vector<char> reach(static_cast<std::size_t>(cells) + 1, 0);
  reach[0] = 1;
  for (const PuzzlePiece& p : t.pieces) {
    std::vector<char> next(reach.size(), 0);
    const auto size = static_cast<long long>(p.cubes.size());
    const long long span = p.maxCopies - p.minCopies;
    for (long long r = 0; r < size && r <= cells; ++r) {
      long long inWindow = 0;  // reached volumes among the last span + 1 on this residue
      for (long long j = 0; r + j * size <= cells; ++j) {
        inWindow += reach[r + j * size];
        if (j > span) inWindow -= reach[r + (j - span - 1) * size];
        const long long v = r + (j + p.minCopies) * size;
        if (v <= cells && inWindow > 0) next[v] = 1;
      }
    }
    reach = std::move(next);
  }
  const long long low = t.maxHoles < 0 ? must : std::max(must, cells - t.maxHoles);
  for (long long v = low; v <= cells; ++v)
    if (reach[v]) return "";
  return "no choice of the pieces' copies covers from " + std::to_string(low) + " to " +
         std::to_string(cells) + " cells (the cells to fill" +
         (t.maxHoles < 0 ? std::string(")") : " and all but max-holes of the others)");
}

PuzzleParse ParsePuzzle(std::string_view text) { return Reader().Read(text); }

}  // namespace cubepack::general
