#include "app/count_json.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace cubepack {

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (const char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", u);
      out += buf;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string FormatCountJson(const CountRecord& r) {
  std::string s = "{\"puzzle\":\"" + r.puzzle + "\",\"name\":" + JsonString(r.name);
  auto add = [&](const char* key, const std::string& value) {
    s += ",\"";
    s += key;
    s += "\":" + value;
  };
  if (r.shardCount > 0)
    add("shard",
        "\"" + std::to_string(r.shardIndex + 1) + "/" + std::to_string(r.shardCount) + "\"");
  add("cells", std::to_string(r.cells));
  add("pieces", std::to_string(r.pieces));
  add("placements", std::to_string(r.placements));
  add("symmetries", std::to_string(r.symmetries));
  add("mirror", r.mirror ? "true" : "false");
  if (r.shardCount > 0) {
    add("tasks", std::to_string(r.tasks));
    add("fixed_weighted", std::to_string(r.fixedWeighted));
    add("first_piece_copies", std::to_string(r.firstPieceCopies));
    add("fixed_again", std::to_string(r.fixedAgain));
    add("invariant", std::to_string(r.invariant));
  } else {
    add("solutions", std::to_string(r.solutions));
    add("solutions_fixed", std::to_string(r.solutionsFixed));
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

  bool Read(std::map<std::string, std::string>& fields) {
    Space();
    if (!Eat('{')) return false;
    Space();
    if (Eat('}')) return End();
    for (;;) {
      std::string key, value;
      Space();
      if (!String(key)) return false;
      Space();
      if (!Eat(':')) return false;
      Space();
      if (Peek() == '"') {
        if (!String(value)) return false;
      } else {
        while (pos_ < t_.size() && t_[pos_] != ',' && t_[pos_] != '}' && t_[pos_] != ' ')
          value += t_[pos_++];
        if (value.empty()) return false;
      }
      if (!fields.emplace(key, value).second) return false;
      Space();
      if (Eat('}')) return End();
      if (!Eat(',')) return false;
    }
  }

 private:
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
  bool String(std::string& out) {
    if (!Eat('"')) return false;
    while (pos_ < t_.size() && t_[pos_] != '"') {
      if (t_[pos_] == '\\') {
        if (++pos_ >= t_.size()) return false;
        if (t_[pos_] == 'u') {
          if (pos_ + 4 >= t_.size()) return false;
          unsigned v = 0;
          const auto [e, ec] = std::from_chars(t_.data() + pos_ + 1, t_.data() + pos_ + 5, v, 16);
          if (ec != std::errc() || e != t_.data() + pos_ + 5) return false;
          out += static_cast<char>(v);
          pos_ += 5;
          continue;
        }
      }
      out += t_[pos_++];
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

}  // namespace

bool ParseShareJson(std::string_view text, CountRecord& r, std::string& error) {
  std::map<std::string, std::string> f;
  if (!FlatReader(text).Read(f)) {
    error = "not a JSON object of count";
    return false;
  }
  const auto shard = f.find("shard");
  if (shard == f.end()) {
    error = "not a share of a count (no \"shard\")";
    return false;
  }
  const std::string& k = shard->second;
  const std::size_t slash = k.find('/');
  int index = 0, count = 0;
  if (slash == std::string::npos ||
      std::from_chars(k.data(), k.data() + slash, index).ec != std::errc() ||
      std::from_chars(k.data() + slash + 1, k.data() + k.size(), count).ec != std::errc() ||
      index < 1 || count < index) {
    error = "bad \"shard\"";
    return false;
  }
  r.shardIndex = index - 1;
  r.shardCount = count;
  const auto puzzle = f.find("puzzle");
  const auto mirror = f.find("mirror");
  if (puzzle == f.end() || mirror == f.end()) {
    error = "no \"puzzle\" or \"mirror\"";
    return false;
  }
  r.puzzle = puzzle->second;
  r.mirror = mirror->second == "true";
  if (const auto name = f.find("name"); name != f.end()) r.name = name->second;
  if (const auto s = f.find("seconds"); s != f.end()) {
    char* end = nullptr;
    r.seconds = std::strtod(s->second.c_str(), &end);
  }
  return Number(f, "cells", r.cells, error) && Number(f, "pieces", r.pieces, error) &&
         Number(f, "placements", r.placements, error) &&
         Number(f, "symmetries", r.symmetries, error) && Number(f, "tasks", r.tasks, error) &&
         Number(f, "fixed_weighted", r.fixedWeighted, error) &&
         Number(f, "first_piece_copies", r.firstPieceCopies, error) &&
         Number(f, "fixed_again", r.fixedAgain, error) &&
         Number(f, "invariant", r.invariant, error);
}

}  // namespace cubepack
