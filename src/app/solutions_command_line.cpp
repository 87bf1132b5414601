#include "app/solutions_command_line.h"

#include <charconv>

#include "app/command_line.h"

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

// Each returns the error without the program name, or "".
std::string ParseList(const std::vector<std::string_view>& args, SolutionsOptions& options) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (IsHelp(args[i])) {
      options.command = SolutionsCommand::kHelp;
      continue;
    }
    std::string error;
    if (!TakeJobsOption(args, i, options.jobs, error)) return Unexpected(args[i]);
    if (!error.empty()) return error;
  }
  return {};
}

// The words after show or verify: --help anywhere, the flags `isFlag` takes, and one operand
// for `take`, which returns the error for a bad one. `missing` is the error when the operand
// is absent (unless --help was given).
template <class IsFlag, class Take>
std::string ParseOperand(const std::vector<std::string_view>& args, SolutionsOptions& options,
                         IsFlag&& isFlag, Take&& take, std::string_view missing) {
  bool haveOperand = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (IsHelp(arg)) {
      options.command = SolutionsCommand::kHelp;
    } else if (isFlag(arg)) {
      continue;
    } else if (IsOption(arg) || haveOperand) {
      return Unexpected(arg);
    } else {
      haveOperand = true;
      if (std::string error = take(arg); !error.empty()) return error;
    }
  }
  if (!haveOperand && options.command != SolutionsCommand::kHelp) return std::string(missing);
  return {};
}

std::string ParseShow(const std::vector<std::string_view>& args, SolutionsOptions& options) {
  return ParseOperand(
      args, options, [&](std::string_view arg) { return arg == "--svg" && (options.svg = true); },
      [&](std::string_view arg) -> std::string {
        if (arg == "-") return {};  // packingNumber stays 0
        options.packingNumber = ParsePackingNumber(arg);
        if (options.packingNumber != 0) return {};
        return "the packing number must be a whole number from 1 up, not '" + std::string(arg) +
               "'";
      },
      "show needs a packing number, or - to read a line from standard input");
}

std::string ParseVerify(const std::vector<std::string_view>& args, SolutionsOptions& options) {
  return ParseOperand(
      args, options, [](std::string_view) { return false; },
      [&](std::string_view arg) {
        options.file = arg;
        return std::string();
      },
      "verify needs a file, or - for standard input");
}

}  // namespace

SolutionsOptions ParseSolutionsOptions(const std::vector<std::string_view>& args, int defaultJobs) {
  SolutionsOptions options;
  options.jobs = defaultJobs;
  std::string error;
  if (args.empty()) {
    error = "missing command: list, show or verify";
  } else if (IsHelp(args[0])) {
    options.command = SolutionsCommand::kHelp;
    for (std::size_t i = 1; i < args.size() && error.empty(); ++i)
      if (!IsHelp(args[i])) error = Unexpected(args[i]);
  } else if (args[0] == "list") {
    options.command = SolutionsCommand::kList;
    error = ParseList(args, options);
  } else if (args[0] == "show") {
    options.command = SolutionsCommand::kShow;
    error = ParseShow(args, options);
  } else if (args[0] == "verify") {
    options.command = SolutionsCommand::kVerify;
    error = ParseVerify(args, options);
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
         "  cubepack-solutions show N [--svg]   draw packing N (1-based); show - reads a line "
         "from stdin\n"
         "  cubepack-solutions verify FILE      check a listing on its own (- for standard "
         "input)\n"
         "\n"
         "A packing is a line of 60 characters: character k = z*20 + y*5 + x (x 0-4, y 0-3,\n"
         "z 0-2) names the piece covering that cell of the 5 x 4 x 3 box, 0-9, A or B. verify\n"
         "checks that each piece is in one of its rotations and that no packing repeats another,\n"
         "even turned half about an axis of the box.\n"
         "\n" +
         JobsOptionHelp("list: ") +
         "  --svg           show: an SVG picture instead of text\n"
         "  -h, --help      show this help and exit\n";
}

}  // namespace cubepack
