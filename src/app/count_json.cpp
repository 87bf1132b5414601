#include "app/count_json.h"

#include <charconv>
#include <cstdio>

#include "shared/engine_version.h"
#include "shared/solutions_command_line.h"
#include "shared/text.h"

namespace cubepack {

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (std::size_t i = 0; i < s.size();) {
    const char c = s[i];
    const auto u = static_cast<unsigned char>(c);
    const std::size_t length = Utf8CharLength(s, i);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u == 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", u);
      out += buf;
    } else if (length == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    } else {
      out.append(s.substr(i, length));
      i += length;
      continue;
    }
    ++i;
  }
  return out + "\"";
}

bool LevelLess::operator()(std::string_view a, std::string_view b) const {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    std::uint64_t x = 0, y = 0;
    const auto [ea, ca] = std::from_chars(a.data() + i, a.data() + a.size(), x);
    const auto [eb, cb] = std::from_chars(b.data() + j, b.data() + b.size(), y);
    (void)ca;
    (void)cb;
    if (x != y) return x < y;
    i = static_cast<std::size_t>(ea - a.data()) + 1;
    j = static_cast<std::size_t>(eb - b.data()) + 1;
  }
  if ((i < a.size()) != (j < b.size())) return j < b.size();
  return a < b;
}

std::string FormatCountJson(const CountRecord& r) {
  std::string s = "{\"puzzle\":\"" + r.puzzle + "\",\"name\":" + JsonString(r.name);
  auto add = [&](const char* key, const std::string& value) {
    s += ",\"";
    s += key;
    s += "\":" + value;
  };
  if (r.shardCount > 0) {
    add("shard", JsonString(std::to_string(r.shardIndex + 1) + "/" + std::to_string(r.shardCount)));
    add("engine", JsonString(r.engine));
    add("task_list", JsonString(r.taskList));
  }
  add("cells", std::to_string(r.cells));
  add("pieces", std::to_string(r.pieces));
  add("placements", std::to_string(r.placements));
  add("symmetries", std::to_string(r.symmetries));
  add("mirror", r.mirror ? "true" : "false");
  add("rotations", std::to_string(r.rotations));
  if (r.shardCount > 0 && r.disassembled) {
    add("disassemble", "true");
    add("tasks", std::to_string(r.tasks));
    add("classes", CountText(r.classes));
    add("fixed_weighted", CountText(r.fixedWeighted));
    add("first_piece_copies", std::to_string(r.firstPieceCopies));
  } else if (r.shardCount > 0) {
    add("tasks", std::to_string(r.tasks));
    add("fixed_weighted", CountText(r.fixedWeighted));
    add("first_piece_copies", std::to_string(r.firstPieceCopies));
    add("fixed_again", std::to_string(r.cellFixingSymmetries));
    add("invariant", CountText(r.invariant));
    if (r.mirrorSome) {
      add("fixed_weighted_imaged", CountText(r.fixedWeightedImaged));
      add("invariant_imaged", CountText(r.invariantImaged));
      add("invariant_reflections", CountText(r.invariantReflections));
    }
  } else if (r.atLeast) {
    add("solutions", CountText(r.solutions));
    add("solutions_at_least", "true");
    add("limit", std::to_string(r.limit));
  } else {
    add("solutions", CountText(r.solutions));
    add("solutions_fixed", CountText(r.solutionsFixed));
  }
  if (r.disassembled) {
    add("solutions_disassembled", CountText(r.solutionsDisassembled));
    std::string levels = "{";
    for (const auto& [level, count] : r.levels)
      levels += (levels.size() > 1 ? "," : "") + JsonString(level) + ":" + CountText(count);
    add("levels", levels + "}");
  }
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", r.seconds);
  add("seconds", seconds);
  return s + "}\n";
}

namespace {

// A flat object of strings, whole numbers, decimals and booleans: what FormatCountJson writes.
class FlatReader {
 public:
  explicit FlatReader(std::string_view t) : t_(t) {}

  // The fields; false with `fault` for anything else. A field's value may be an object of
  // such values one level down (the levels), kept as its text.
  bool Read(std::map<std::string, std::string>& fields) { return Object(fields, true) && End(); }
  std::string fault = "not a JSON object of count";

 private:
  bool Object(std::map<std::string, std::string>& fields, bool top) {
    Space();
    if (!Eat('{')) return false;
    Space();
    if (Eat('}')) return true;
    for (;;) {
      std::string key, value;
      Space();
      if (!String(key)) return false;
      Space();
      if (!Eat(':')) return false;
      Space();
      if (Peek() == '"') {
        if (!String(value)) return false;
      } else if (top && Peek() == '{') {
        const std::size_t start = pos_;
        std::map<std::string, std::string> inner;
        if (!Object(inner, false)) return false;
        value = t_.substr(start, pos_ - start);
      } else {
        while (pos_ < t_.size() && t_[pos_] != ',' && t_[pos_] != '}' && t_[pos_] != ' ')
          value += t_[pos_++];
        if (value.empty()) return false;
      }
      if (!fields.emplace(key, value).second) return false;
      Space();
      if (Eat('}')) return true;
      if (!Eat(',')) return false;
    }
  }

  char Peek() const { return pos_ < t_.size() ? t_[pos_] : '\0'; }
  bool Eat(char c) {
    if (Peek() != c) return false;
    ++pos_;
    return true;
  }
  void Space() {
    while (pos_ < t_.size() &&
           (t_[pos_] == ' ' || t_[pos_] == '\n' || t_[pos_] == '\r' || t_[pos_] == '\t'))
      ++pos_;
  }
  bool End() {
    Space();
    return pos_ == t_.size();
  }
  bool Fault(const char* what) {
    fault = what;
    return false;
  }
  // The four hex digits after "\u", moving past them.
  bool Hex4(unsigned& v) {
    v = 0;
    for (int i = 0; i < 4; ++i, ++pos_) {
      const char c = Peek();
      const int d = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
      if (d < 0) return false;
      v = v * 16 + static_cast<unsigned>(d);
    }
    return true;
  }
  // The text after a backslash, as UTF-8 into `out`.
  bool Escape(std::string& out) {
    const char c = Peek();
    ++pos_;
    switch (c) {
      case '"':
      case '\\':
      case '/':
        out += c;
        return true;
      case 'b':
        out += '\b';
        return true;
      case 'f':
        out += '\f';
        return true;
      case 'n':
        out += '\n';
        return true;
      case 'r':
        out += '\r';
        return true;
      case 't':
        out += '\t';
        return true;
      case 'u':
        break;
      default:
        return false;
    }
    unsigned v = 0;
    if (!Hex4(v) || (v >= 0xdc00 && v <= 0xdfff)) return false;
    if (v >= 0xd800 && v <= 0xdbff) {  // a pair of surrogates: one character past U+FFFF
      unsigned low = 0;
      if (!Eat('\\') || !Eat('u') || !Hex4(low) || low < 0xdc00 || low > 0xdfff) return false;
      v = 0x10000 + ((v - 0xd800) << 10) + (low - 0xdc00);
    }
    if (v < 0x80) {
      out += static_cast<char>(v);
    } else if (v < 0x800) {
      out += static_cast<char>(0xc0 | (v >> 6));
      out += static_cast<char>(0x80 | (v & 0x3f));
    } else if (v < 0x10000) {
      out += static_cast<char>(0xe0 | (v >> 12));
      out += static_cast<char>(0x80 | ((v >> 6) & 0x3f));
      out += static_cast<char>(0x80 | (v & 0x3f));
    } else {
      out += static_cast<char>(0xf0 | (v >> 18));
      out += static_cast<char>(0x80 | ((v >> 12) & 0x3f));
      out += static_cast<char>(0x80 | ((v >> 6) & 0x3f));
      out += static_cast<char>(0x80 | (v & 0x3f));
    }
    return true;
  }
  bool String(std::string& out) {
    if (!Eat('"')) return false;
    while (pos_ < t_.size() && t_[pos_] != '"') {
      const char c = t_[pos_++];
      if (static_cast<unsigned char>(c) < 0x20)
        return Fault("a control character in a JSON string");
      if (c != '\\') {
        out += c;
      } else if (!Escape(out)) {
        return Fault("a bad escape in a JSON string");
      }
    }
    return Eat('"');
  }

  std::string_view t_;
  std::size_t pos_ = 0;
};

template <class T>
bool Number(const std::map<std::string, std::string>& f, const char* key, T& out,
            std::string& error) {
  const auto it = f.find(key);
  if (it == f.end()) {
    error = std::string("no \"") + key + "\"";
    return false;
  }
  const std::string& v = it->second;
  const auto [e, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
  if (ec != std::errc() || e != v.data() + v.size()) {
    error = std::string("bad \"") + key + "\"";
    return false;
  }
  return true;
}

// A sum: a JSON integer of any length, read digit by digit (a double or a 64-bit reading would
// lose or refuse the digits of a count past 2^64).
bool Number(const std::map<std::string, std::string>& f, const char* key, BigCount& out,
            std::string& error) {
  const auto it = f.find(key);
  if (it == f.end()) {
    error = std::string("no \"") + key + "\"";
    return false;
  }
  if (!ParseCount(it->second, out)) {
    const std::string& v = it->second;
    const bool large = v.size() > 1 && v[0] != '0' && v.find_first_not_of("0123456789") == v.npos;
    error = std::string("bad \"") + key + "\"" + (large ? ": past 2^128 - 1" : "");
    return false;
  }
  return true;
}

using Fields = std::map<std::string, std::string>;

// Which work the share did: its number, the engine and the task list it cut, the puzzle.
bool ReadWhichShare(const Fields& f, CountRecord& r, std::string& error) {
  const auto shard = f.find("shard");
  if (shard == f.end()) {
    error = "not a share of a count (no \"shard\")";
    return false;
  }
  if (!ParseShard(shard->second, r.shardIndex, r.shardCount)) {
    error = "bad \"shard\": not K/N with 1 <= K <= N <= " + std::to_string(kMaxShardCount);
    return false;
  }
  const auto text16 = [&](const char* key, std::string& out) {
    const auto it = f.find(key);
    if (it == f.end() || it->second.size() != 16 ||
        it->second.find_first_not_of("0123456789abcdef") != std::string::npos) {
      error = std::string(it == f.end() ? "no \"" : "bad \"") + key + "\"";
      return false;
    }
    out = it->second;
    return true;
  };
  // Task i of one engine version is not task i of another: their sums do not add up.
  const auto engine = f.find("engine");
  if (engine == f.end() || engine->second != kEngineVersion) {
    error =
        std::string("a share of another engine version (this program's is ") + kEngineVersion + ")";
    return false;
  }
  r.engine = engine->second;
  if (!text16("task_list", r.taskList) || !text16("puzzle", r.puzzle)) return false;
  const auto mirror = f.find("mirror");
  if (mirror == f.end() || (mirror->second != "true" && mirror->second != "false")) {
    error = "no \"mirror\" of true or false";
    return false;
  }
  r.mirror = mirror->second == "true";
  return true;
}

// The name and the seconds, which only the summary shows.
bool ReadShown(const Fields& f, CountRecord& r, std::string& error) {
  if (const auto name = f.find("name"); name != f.end()) {
    // Shown as it is in the summary: one line, no terminal controls.
    for (const char c : name->second)
      if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f) {
        error = "a control character in \"name\"";
        return false;
      }
    r.name = name->second;
  }
  if (const auto s = f.find("seconds"); s != f.end()) {
    const std::string& v = s->second;
    const auto [e, ec] = std::from_chars(v.data(), v.data() + v.size(), r.seconds);
    if (ec != std::errc() || e != v.data() + v.size() || !(r.seconds >= 0 && r.seconds < 1e300)) {
      error = "bad \"seconds\"";
      return false;
    }
  }
  return true;
}

// The rotations among the symmetries, and the sums of a count where a reflection maps only
// some packings onto packings, when given.
bool ReadMirrorSome(const Fields& f, CountRecord& r, std::string& error) {
  r.mirrorSome = f.count("fixed_weighted_imaged") != 0;
  if (!Number(f, "rotations", r.rotations, error)) return false;
  return !r.mirrorSome || (Number(f, "fixed_weighted_imaged", r.fixedWeightedImaged, error) &&
                           Number(f, "invariant_imaged", r.invariantImaged, error) &&
                           Number(f, "invariant_reflections", r.invariantReflections, error));
}

// A share of a count with --disassemble: its classes, fixed sum, and the levels of those that
// come apart.
bool ReadLevels(const Fields& f, CountRecord& r, std::string& error) {
  r.disassembled = true;
  if (!Number(f, "tasks", r.tasks, error) || !Number(f, "classes", r.classes, error) ||
      !Number(f, "fixed_weighted", r.fixedWeighted, error) ||
      !Number(f, "first_piece_copies", r.firstPieceCopies, error) ||
      !Number(f, "solutions_disassembled", r.solutionsDisassembled, error))
    return false;
  const auto it = f.find("levels");
  Fields levels;
  FlatReader reader(it == f.end() ? std::string_view() : std::string_view(it->second));
  if (it == f.end() || !reader.Read(levels)) {
    error = "no \"levels\" object";
    return false;
  }
  BigCount sum = 0;
  for (const auto& [level, count] : levels) {
    const bool text = !level.empty() && level.front() != '.' && level.back() != '.' &&
                      level.find("..") == std::string::npos &&
                      level.find_first_not_of("0123456789.") == std::string::npos;
    BigCount n = 0;
    if (!text || !ParseCount(count, n) || n == 0 || !AddCount(sum, n)) {
      error = "bad \"levels\": '" + level.substr(0, 40) + "'";
      return false;
    }
    r.levels.emplace(level, n);
  }
  if (sum != r.solutionsDisassembled) {
    error = "\"levels\" do not add up to \"solutions_disassembled\"";
    return false;
  }
  return true;
}

}  // namespace

bool ParseShareJson(std::string_view text, CountRecord& r, std::string& error) {
  if (InvalidUtf8At(text) != std::string_view::npos) {
    error = "not UTF-8 text";
    return false;
  }
  Fields f;
  FlatReader reader(text);
  if (!reader.Read(f)) {
    error = reader.fault;
    return false;
  }
  if (!ReadWhichShare(f, r, error) || !ReadShown(f, r, error) ||
      !Number(f, "cells", r.cells, error) || !Number(f, "pieces", r.pieces, error) ||
      !Number(f, "placements", r.placements, error) ||
      !Number(f, "symmetries", r.symmetries, error))
    return false;
  if (const auto it = f.find("disassemble"); it != f.end()) {
    if (it->second != "true") {
      error = "bad \"disassemble\"";
      return false;
    }
    return Number(f, "rotations", r.rotations, error) && ReadLevels(f, r, error);
  }
  return Number(f, "tasks", r.tasks, error) &&
         Number(f, "fixed_weighted", r.fixedWeighted, error) &&
         Number(f, "first_piece_copies", r.firstPieceCopies, error) &&
         Number(f, "fixed_again", r.cellFixingSymmetries, error) &&
         Number(f, "invariant", r.invariant, error) && ReadMirrorSome(f, r, error);
}

}  // namespace cubepack
