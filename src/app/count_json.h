#pragma once
// The JSON objects that count writes (one line) and merge reads back: a whole count, or one
// share's sums.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "shared/big_count.h"

namespace cubepack {

// Level texts in the order of their numbers, first to last ("1" < "2.3" < "10").
struct LevelLess {
  bool operator()(std::string_view a, std::string_view b) const;
  using is_transparent = void;
};
// With --disassemble: how many classes come apart at each level.
using LevelCounts = std::map<std::string, BigCount, LevelLess>;

struct CountRecord {
  std::string puzzle;  // the puzzle's hash, 16 hex digits
  std::string name;
  int cells = 0;
  int pieces = 0;
  std::uint64_t placements = 0;
  int symmetries = 0;
  bool mirror = false;
  double seconds = 0;
  // A whole count:
  BigCount solutions = 0;
  BigCount solutionsFixed = 0;
  // Or one stopped at --limit: at least `solutions` classes (solutionsFixed unknown).
  std::int64_t limit = 0;
  bool atLeast = false;
  // A share (shardCount > 0):
  int shardIndex = 0;  // from 0
  int shardCount = 0;
  std::string engine;    // the engine's version (kEngineVersion)
  std::string taskList;  // the task list's fingerprint, 16 hex digits
  std::uint64_t tasks = 0;
  BigCount fixedWeighted = 0;
  std::uint64_t firstPieceCopies = 0;
  std::uint64_t cellFixingSymmetries = 0;
  BigCount invariant = 0;
  // Where a reflection maps only some packings onto packings:
  bool mirrorSome = false;
  std::uint64_t rotations = 0;
  BigCount fixedWeightedImaged = 0;
  BigCount invariantImaged = 0;
  BigCount invariantReflections = 0;
  // With --disassemble: the classes that come apart, by level; a share also holds its classes
  // (the listing's lines) in place of the sums above.
  bool disassembled = false;
  BigCount solutionsDisassembled = 0;
  LevelCounts levels;
  BigCount classes = 0;
};

// One line, ending in "\n".
std::string FormatCountJson(const CountRecord& r);

// A share's object as FormatCountJson writes it; false with a one-line `error` for anything
// else: no JSON (or not UTF-8, or a bad escape), a field missing or out of range. Its sums are
// read exactly, every digit, up to 2^128 - 1.
bool ParseShareJson(std::string_view text, CountRecord& r, std::string& error);

// A string in JSON's quotes and escapes: control characters escaped, and each byte that is not
// part of valid UTF-8 written as U+FFFD, so the line is always valid JSON.
std::string JsonString(std::string_view s);

}  // namespace cubepack
