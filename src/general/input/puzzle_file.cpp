#include "general/input/puzzle_file.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "shared/text.h"

namespace cubepack::general {

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

bool ReadCube(std::string_view word, Point& p, std::string& fault) {
  const std::string what = "cube " + Quoted(word);
  int c[3];
  std::size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    const std::size_t comma = word.find(',', start);
    const bool last = i == 2;
    if (last != (comma == std::string_view::npos)) {
      fault = "bad cube " + Quoted(word) + ": expected x,y,z";
      return false;
    }
    const std::string_view part = word.substr(start, last ? std::string_view::npos : comma - start);
    if (!ReadNumber(part, kMaxCoordinate, c[i], fault, what)) return false;
    start = comma + 1;
  }
  p = {c[0], c[1], c[2]};
  return true;
}

// Layers of rows: 'x' a cube, '.' none; rows joined by '/', one word per layer.
bool ReadDrawing(const std::vector<std::string_view>& words, std::size_t first,
                 std::vector<Point>& out, std::string& fault) {
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
      if (!cube && c != '.') {
        fault = "bad character '" + std::string(1, c) + "' in drawing " + Quoted(words[w]) +
                ": use 'x' for a cube, '.' for none, '/' between rows";
        return false;
      }
      if (x > kMaxCoordinate || y > kMaxCoordinate || z > kMaxCoordinate) {
        fault = "drawing " + Quoted(words[w]) + " is wider than " +
                std::to_string(kMaxCoordinate + 1) + " cells";
        return false;
      }
      if (cube) out.push_back({x, y, z});
      ++x;
    }
  }
  return true;
}

std::string CubeText(const Point& p) {
  return std::to_string(p.x) + "," + std::to_string(p.y) + "," + std::to_string(p.z);
}

// The cubes after position `first`: listed or drawn. `what` names the owner in faults.
bool ReadCubes(const std::vector<std::string_view>& words, std::size_t first,
               std::vector<Point>& cubes, std::string& fault) {
  if (first < words.size() && words[first] == "draw")
    return ReadDrawing(words, first + 1, cubes, fault);
  for (std::size_t i = first; i < words.size(); ++i) {
    Point p;
    if (!ReadCube(words[i], p, fault)) return false;
    cubes.push_back(p);
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
    return Finish(result, lineNumber);
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
    fault = "unknown keyword " + Quoted(key) + " (name, box, target or piece)";
    return false;
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
    if (words.size() < 2) {
      fault = "target needs cells x,y,z or a drawing";
      return false;
    }
    std::vector<Point> cells;
    if (!ReadCubes(words, 1, cells, fault)) return false;
    for (const Point& p : cells) {
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
        name == "draw") {
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
    PuzzlePiece piece{std::string(name), {}, number};
    if (!ReadCubes(words, 2, piece.cubes, fault)) return false;
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
    pieceCubes_ += static_cast<long long>(piece.cubes.size());
    if (pieceCubes_ > kMaxTargetCells) {
      fault = "the pieces have more than " + std::to_string(kMaxTargetCells) +
              " cubes, the most the engine takes";
      return false;
    }
    puzzle_.pieces.push_back(std::move(piece));
    return true;
  }

  PuzzleParse Finish(PuzzleParse& result, int lines) {
    if (puzzle_.target.empty())
      return Failed(result, 0, "no target: give a box line or target lines");
    if (puzzle_.pieces.empty()) return Failed(result, 0, "no pieces: give piece lines");
    const auto cells = static_cast<long long>(puzzle_.target.size());
    if (pieceCubes_ != cells)
      return Failed(result, puzzle_.pieces.back().line,
                    "the pieces have " + std::to_string(pieceCubes_) +
                        " cubes in all, the target " + std::to_string(cells) + " cells");
    (void)lines;
    result.puzzle = std::move(puzzle_);
    return result;
  }

  PuzzleText puzzle_;
  std::set<Point> targetCells_;
  long long pieceCubes_ = 0;
  int boxLine_ = 0;
  int targetLine_ = 0;
  bool haveName_ = false;
};

}  // namespace

PuzzleParse ParsePuzzle(std::string_view text) { return Reader().Read(text); }

}  // namespace cubepack::general
