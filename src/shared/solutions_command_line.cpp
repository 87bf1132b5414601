#include "shared/solutions_command_line.h"

#include <charconv>

#include "shared/command_line.h"

namespace cubepack {

namespace {

constexpr std::string_view kProgram = "cubepack-solutions";

bool IsHelp(std::string_view arg) { return arg == "-h" || arg == "--help"; }

// "-" alone is standard input, and "-5" a bad number rather than an option.
bool IsOption(std::string_view arg) {
  return arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9');
}

std::string Unexpected(std::string_view arg) {
  return IsOption(arg) ? "unknown option '" + std::string(arg) + "'"
                       : "unexpected argument '" + std::string(arg) + "'";
}

// A whole decimal number from 1 up, else 0.
std::int64_t ParsePackingNumber(std::string_view text) {
  std::int64_t n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size() || n < 1) return 0;
  return n;
}

// --name VALUE or --name=VALUE at args[i]: moves i onto the value; false for another word.
bool TakeValue(const std::vector<std::string_view>& args, std::size_t& i, std::string_view name,
               std::string_view& value, std::string& error) {
  const std::string_view arg = args[i];
  if (arg == name) {
    if (i + 1 == args.size()) {
      error = std::string(name) + " needs a value";
      return true;
    }
    value = args[++i];
    return true;
  }
  if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=') {
    value = arg.substr(name.size() + 1);
    return true;
  }
  return false;
}

// --puzzle FILE, --problem NAME and --mirror at args[i], which every command but merge takes;
// false, touching nothing, for any other word.
bool TakePuzzleOption(const std::vector<std::string_view>& args, std::size_t& i,
                      SolutionsOptions& options, std::string& error) {
  std::string_view value;
  if (args[i] == "--mirror") {
    options.mirror = true;
  } else if (TakeValue(args, i, "--puzzle", value, error)) {
    if (!error.empty()) return true;
    if (!options.puzzle.empty()) error = "--puzzle given twice";
    if (value.empty()) error = "--puzzle needs a file";
    options.puzzle = value;
  } else if (TakeValue(args, i, "--problem", value, error)) {
    options.problem = value;
  } else {
    return false;
  }
  return true;
}

bool TakeShardOption(const std::vector<std::string_view>& args, std::size_t& i,
                     SolutionsOptions& options, std::string& error) {
  std::string_view value;
  if (!TakeValue(args, i, "--shard", value, error)) return false;
  if (error.empty() && !ParseShard(value, options.shardIndex, options.shardCount))
    error = "--shard needs K/N with 1 <= K <= N <= " + std::to_string(kMaxShardCount) + ", not '" +
            std::string(value) + "'";
  return true;
}

bool TakeLimitOption(const std::vector<std::string_view>& args, std::size_t& i,
                     SolutionsOptions& options, std::string& error) {
  std::string_view value;
  if (!TakeValue(args, i, "--limit", value, error)) return false;
  if (error.empty() && (options.limit = ParsePackingNumber(value)) == 0)
    error = "--limit needs a whole number from 1 up, not '" + std::string(value) + "'";
  return true;
}

bool TakeMemoryOption(const std::vector<std::string_view>& args, std::size_t& i,
                      SolutionsOptions& options, std::string& error) {
  std::string_view value;
  if (!TakeValue(args, i, "--memory", value, error)) return false;
  if (error.empty() && (options.memory = ParseByteSize(value)) < 0)
    error = "--memory needs a size such as 512M or 4G (0: none), not '" + std::string(value) + "'";
  return true;
}

// A number of seconds above 0 (a fraction too), which no clock takes for ever.
bool TakeProgressOption(const std::vector<std::string_view>& args, std::size_t& i,
                        SolutionsOptions& options, std::string& error) {
  std::string_view value;
  if (!TakeValue(args, i, "--progress", value, error)) return false;
  if (!error.empty()) return true;
  double seconds = 0;
  const auto [end, ec] =
      std::from_chars(value.data(), value.data() + value.size(), seconds, std::chars_format::fixed);
  if (ec != std::errc() || end != value.data() + value.size() || !(seconds > 0) || seconds > 1e9)
    error = "--progress needs a number of seconds above 0, not '" + std::string(value) + "'";
  else
    options.progress = seconds;
  return true;
}

bool TakeJournalOption(const std::vector<std::string_view>& args, std::size_t& i,
                       SolutionsOptions& options, std::string& error) {
  std::string_view value;
  if (!TakeValue(args, i, "--journal", value, error)) return false;
  if (!error.empty()) return true;
  if (!options.journal.empty()) error = "--journal given twice";
  if (value.empty()) error = "--journal needs a file";
  options.journal = value;
  return true;
}

// --limit stops at a line of the one listing, which a share does not have, and a count that
// stops there has no tasks to keep.
std::string LimitAlone(const SolutionsOptions& options) {
  if (options.limit > 0 && options.shardCount > 0) return "--limit and --shard cannot go together";
  if (options.limit > 0 && !options.journal.empty())
    return "--limit and --journal cannot go together";
  return "";
}

// The options that only mean something for a puzzle file.
std::string NeedsPuzzle(const SolutionsOptions& options) {
  if (!options.puzzle.empty() || options.command == SolutionsCommand::kHelp) return {};
  if (options.mirror) return "--mirror needs --puzzle FILE";
  if (!options.problem.empty()) return "--problem needs --puzzle FILE";
  if (options.shardCount > 0) return "--shard needs --puzzle FILE";
  if (options.limit > 0) return "--limit needs --puzzle FILE";
  if (options.progress > 0) return "--progress needs --puzzle FILE";
  if (options.disassemble) return "--disassemble needs --puzzle FILE";
  if (options.moves) return "--moves needs --puzzle FILE";
  return {};
}

// Each returns the error without the program name, or "".
std::string ParseList(const std::vector<std::string_view>& args, SolutionsOptions& options) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (IsHelp(args[i])) {
      options.command = SolutionsCommand::kHelp;
      continue;
    }
    if (args[i] == "--disassemble" || args[i] == "--solutions-only") {
      (args[i] == "--disassemble" ? options.disassemble : options.solutionsOnly) = true;
      continue;
    }
    std::string error;
    if (!TakeJobsOption(args, i, options.jobs, error) &&
        !TakePuzzleOption(args, i, options, error) && !TakeShardOption(args, i, options, error) &&
        !TakeLimitOption(args, i, options, error) && !TakeProgressOption(args, i, options, error))
      return Unexpected(args[i]);
    if (!error.empty()) return error;
  }
  if (std::string error = LimitAlone(options); !error.empty()) return error;
  if (options.solutionsOnly && !options.disassemble) return "--solutions-only needs --disassemble";
  return NeedsPuzzle(options);
}

// The words after show or verify: --help anywhere, the puzzle options, the flags `isFlag`
// takes, and one operand for `take`, which returns the error for a bad one. `missing` is the
// error when the operand is absent (unless --help was given).
template <class IsFlag, class Take>
std::string ParseOperand(const std::vector<std::string_view>& args, SolutionsOptions& options,
                         IsFlag&& isFlag, Take&& take, std::string_view missing) {
  bool haveOperand = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    std::string error;
    if (IsHelp(arg)) {
      options.command = SolutionsCommand::kHelp;
    } else if (isFlag(arg)) {
      continue;
    } else if (TakePuzzleOption(args, i, options, error)) {
      if (!error.empty()) return error;
    } else if (IsOption(arg) || haveOperand) {
      return Unexpected(arg);
    } else {
      haveOperand = true;
      if (error = take(arg); !error.empty()) return error;
    }
  }
  if (!haveOperand && options.command != SolutionsCommand::kHelp) return std::string(missing);
  return NeedsPuzzle(options);
}

// show - and verify - read standard input, which cannot also hold the puzzle.
std::string OneStandardInput(const SolutionsOptions& options, bool operandIsInput,
                             std::string_view what) {
  if (options.command == SolutionsCommand::kHelp || options.puzzle != "-" || !operandIsInput)
    return {};
  return std::string(what) + " and the puzzle cannot both come from standard input";
}

std::string ParseShow(const std::vector<std::string_view>& args, SolutionsOptions& options) {
  bool fromInput = false;
  const std::string error = ParseOperand(
      args, options,
      [&](std::string_view arg) {
        if (arg == "--svg") return options.svg = true;
        if (arg == "--moves") return options.moves = true;
        return arg == "--html" && (options.html = true);
      },
      [&](std::string_view arg) -> std::string {
        if ((fromInput = arg == "-")) return {};  // packingNumber stays 0
        options.packingNumber = ParsePackingNumber(arg);
        if (options.packingNumber != 0) return {};
        return "the packing number must be a whole number from 1 up, not '" + std::string(arg) +
               "'";
      },
      "show needs a packing number, or - to read a line from standard input");
  if (!error.empty()) return error;
  if (options.svg && options.html) return "--svg and --html cannot go together";
  if (options.svg && options.moves) return "--svg and --moves cannot go together";
  return OneStandardInput(options, fromInput, "the packing line");
}

std::string ParseVerify(const std::vector<std::string_view>& args, SolutionsOptions& options) {
  const std::string error = ParseOperand(
      args, options, [](std::string_view) { return false; },
      [&](std::string_view arg) {
        options.file = arg;
        return std::string();
      },
      "verify needs a file, or - for standard input");
  return error.empty() ? OneStandardInput(options, options.file == "-", "the listing") : error;
}

std::string ParseCount(const std::vector<std::string_view>& args, SolutionsOptions& options) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    std::string error;
    if (IsHelp(arg)) {
      options.command = SolutionsCommand::kHelp;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--disassemble") {
      options.disassemble = true;
    } else if (!TakePuzzleOption(args, i, options, error) &&
               !TakeShardOption(args, i, options, error) &&
               !TakeJobsOption(args, i, options.jobs, error) &&
               !TakeLimitOption(args, i, options, error) &&
               !TakeMemoryOption(args, i, options, error) &&
               !TakeProgressOption(args, i, options, error) &&
               !TakeJournalOption(args, i, options, error)) {
      return Unexpected(arg);
    }
    if (!error.empty()) return error;
  }
  if (options.puzzle.empty() && options.command != SolutionsCommand::kHelp)
    return "count needs --puzzle FILE";
  // The disassembly goes through the listing: each class once, by its listed assembly.
  if (options.disassemble && options.limit > 0)
    return "--disassemble and --limit cannot go together";
  if (options.disassemble && !options.journal.empty())
    return "--disassemble and --journal cannot go together";
  return LimitAlone(options);
}

std::string ParseMerge(const std::vector<std::string_view>& args, SolutionsOptions& options) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (IsHelp(arg)) {
      options.command = SolutionsCommand::kHelp;
    } else if (arg == "--json") {
      options.json = true;
    } else if (IsOption(arg)) {
      return Unexpected(arg);
    } else {
      options.shares.emplace_back(arg);
    }
  }
  if (options.shares.empty() && options.command != SolutionsCommand::kHelp)
    return "merge needs the shares' files";
  return {};
}

struct Subcommand {
  std::string_view name;
  SolutionsCommand command;
  std::string (*parse)(const std::vector<std::string_view>& args, SolutionsOptions& options);
};

const Subcommand* SubcommandNamed(std::string_view name) {
  static constexpr Subcommand kSubcommands[] = {
      {"list", SolutionsCommand::kList, ParseList},
      {"show", SolutionsCommand::kShow, ParseShow},
      {"verify", SolutionsCommand::kVerify, ParseVerify},
      {"count", SolutionsCommand::kCount, ParseCount},
      {"merge", SolutionsCommand::kMerge, ParseMerge},
  };
  for (const Subcommand& sub : kSubcommands)
    if (sub.name == name) return &sub;
  return nullptr;
}

}  // namespace

bool ParseShard(std::string_view text, int& index, int& count) {
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) return false;
  const std::string_view k = text.substr(0, slash), n = text.substr(slash + 1);
  int kv = 0, nv = 0;
  const auto [ke, kec] = std::from_chars(k.data(), k.data() + k.size(), kv);
  const auto [ne, nec] = std::from_chars(n.data(), n.data() + n.size(), nv);
  if (kec != std::errc() || nec != std::errc() || ke != k.data() + k.size() ||
      ne != n.data() + n.size() || kv < 1 || nv < kv || nv > kMaxShardCount)
    return false;
  index = kv - 1;
  count = nv;
  return true;
}

std::int64_t ParseByteSize(std::string_view text) {
  std::int64_t unit = 1;
  if (!text.empty()) {
    const char last = text.back();
    const int shift = last == 'K' ? 10 : last == 'M' ? 20 : last == 'G' ? 30 : 0;
    if (shift != 0) {
      unit = std::int64_t{1} << shift;
      text.remove_suffix(1);
    }
  }
  std::int64_t n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || n < 0 ||
      n > (std::int64_t{1} << 50) / unit)
    return -1;
  return n * unit;
}

SolutionsOptions ParseSolutionsOptions(const std::vector<std::string_view>& args, int defaultJobs) {
  SolutionsOptions options;
  options.jobs = defaultJobs;
  std::string error;
  if (args.empty()) {
    error = "missing command: list, show, verify, count or merge";
  } else if (IsHelp(args[0])) {
    options.command = SolutionsCommand::kHelp;
    for (std::size_t i = 1; i < args.size() && error.empty(); ++i)
      if (!IsHelp(args[i])) error = Unexpected(args[i]);
  } else if (const Subcommand* sub = SubcommandNamed(args[0])) {
    options.command = sub->command;
    error = sub->parse(args, options);
  } else if (IsOption(args[0])) {
    error = "unknown option '" + std::string(args[0]) + "'";
  } else {
    error = "unknown command '" + std::string(args[0]) + "'";
  }
  if (!error.empty()) options.error = UsageError(kProgram, error);
  return options;
}

std::string SolutionsUsage() {
  return "Usage:\n"
         "  cubepack-solutions list [-j N]      write every packing, one line each, in the order "
         "counted\n"
         "  cubepack-solutions show N [--svg | --html]\n"
         "                                      draw packing N (1-based); show - reads a line\n"
         "                                      from stdin\n"
         "  cubepack-solutions verify FILE      check a listing on its own (- for standard "
         "input)\n"
         "  cubepack-solutions count --puzzle FILE [--problem NAME] [--mirror] [--json] [-j N]\n"
         "                          [--progress SECONDS] [--shard K/N | --limit N] [--journal "
         "FILE]\n"
         "                          [--memory SIZE] [--disassemble]\n"
         "                                      count the packings of the puzzle in FILE\n"
         "  cubepack-solutions list --puzzle FILE [--problem NAME] [--mirror] [-j N]\n"
         "                          [--progress SECONDS] [--shard K/N | --limit N]\n"
         "                          [--disassemble [--solutions-only]]\n"
         "  cubepack-solutions show N|- --puzzle FILE [--problem NAME] [--mirror]\n"
         "                          [--svg | --html] [--moves]\n"
         "  cubepack-solutions verify LISTING --puzzle FILE [--problem NAME] [--mirror]\n"
         "                                      the same for the puzzle in FILE: one line per\n"
         "                                      class that count counts\n"
         "  cubepack-solutions merge [--json] FILE...\n"
         "                                      add up the JSON objects of count's shares\n"
         "\n"
         "A packing is a line of 60 characters: character k = z*20 + y*5 + x (x 0-4, y 0-3,\n"
         "z 0-2) names the piece covering that cell of the 5 x 4 x 3 box, 0-9, A or B. verify\n"
         "checks that each piece is in one of its rotations and that no packing repeats another,\n"
         "even turned half about an axis of the box.\n"
         "\n"
         "show counts an index of the listing the first time, as far as N needs, and keeps it\n"
         "in the cache folder (CUBEPACK_CACHE_DIR, else $XDG_CACHE_HOME/cubepack or\n"
         "~/.cache/cubepack; %LOCALAPPDATA%\\cubepack on Windows): later runs draw at once.\n"
         "\n"
         "count reads a puzzle file (box X Y Z or target x,y,z ..., and piece NAME x,y,z ...\n"
         "lines; man cubepack-solutions has every form) or a puzzle designer's .xmpuzzle or\n"
         ".xml file, and prints the number of packings of the fixed target (solutions_fixed)\n"
         "and of classes under the target's rotations (solutions).\n"
         "\n"
         "With --puzzle, a packing is a line of one character per cell of the target's bounding\n"
         "box, x fastest, then y, then z: '.' outside the target, '+' a cell left empty, else\n"
         "the piece's name where every name is one character, or else 0-9, A-Z, a-z in the\n"
         "file's order; copies of one shape take their labels in the order of their first\n"
         "cells. verify then also refuses a line that is another's packing under a symmetry\n"
         "count uses.\n"
         "\n" +
         JobsOptionHelp("list, count: ") +
         "  --puzzle FILE   the puzzle file, - for standard input (count needs one; list, show,\n"
         "                  verify without it: the 5 x 4 x 3 puzzle)\n"
         "  --problem NAME  the problem of an .xmpuzzle file (the first without it)\n"
         "  --mirror        a packing and its mirror image are one class where the mirror image\n"
         "                  is itself a packing of the puzzle\n"
         "  --json          count, merge: one JSON object on one line\n"
         "  --shard K/N     count: share K of the work cut in N, merge adds the shares up;\n"
         "                  list: part K of the listing cut in N, the parts in order are the "
         "whole\n"
         "  --limit N       list: the first N lines; count: stop at N classes and say \"at "
         "least\"\n"
         "                  (--limit 2 asks whether the puzzle has exactly one solution)\n"
         "  --memory SIZE   count: memory for the sub-boards counted once, such as 512M or 4G\n"
         "                  (default: a quarter of the machine's memory; 0: none)\n"
         "  --journal FILE  count: keep each finished task's count in FILE, on the disk at once;\n"
         "                  run the same command again to go on where a killed run stopped\n"
         "                  (man cubepack-solutions has the file's format)\n"
         "  --progress SECONDS\n"
         "                  list, count: a progress line of its own on standard error every\n"
         "                  SECONDS seconds, terminal or not\n"
         "  --disassemble   count, list: whether each class's assembly comes apart by sliding\n"
         "                  pieces, and its level (moves until each part comes out, e.g. 4.9.3);\n"
         "                  count prints how many do, by level; list adds the level (or -)\n"
         "  --solutions-only\n"
         "                  list --disassemble: only the assemblies that come apart\n"
         "  --moves         show: the disassembly of the packing, move by move (with --html,\n"
         "                  a player of the moves in the page)\n"
         "  --svg           show: an SVG picture instead of text\n"
         "  --html          show: one HTML page that shows the packing in 3-D in a browser, to\n"
         "                  turn, pull apart (explode) and hide pieces in; it loads nothing,\n"
         "                  and its URL's fragment (#explode=F&hide=A,B&cam=X,Y,Z) keeps the view\n"
         "  -h, --help      show this help and exit\n";
}

}  // namespace cubepack
