#include "app/packing_index.h"

#include <chrono>
#include <cstdio>
#include <limits>
#include <memory>
#include <stdexcept>

#include "app/command_line.h"
#include "app/platform.h"
#include "app/siphash.h"
#include "model/board.h"
#include "model/catalogue.h"
#include "solver/engine_version.h"
#include "solver/parallel_runner.h"

namespace cubepack {

namespace {

// The file's layout; part of the key, so a new layout never meets an old file.
constexpr std::uint32_t kIndexLayout = 2;
constexpr const char* kSecretName = "index-secret";
constexpr std::string_view kMagic = "cpindex\n";
constexpr std::size_t kHeaderBytes = kMagic.size() + 8 + 4 + 4;  // magic, key, tasks, counted
constexpr std::size_t kSignatureBytes = 8;

// FNV-1a, 64 bits: the key.
class Fnv {
 public:
  void Byte(std::uint8_t b) { h_ = (h_ ^ b) * 0x100000001b3; }
  // The low `bytes` bytes of `v`, least significant first.
  void Value(std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) Byte(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  std::uint64_t value() const { return h_; }

 private:
  std::uint64_t h_ = 0xcbf29ce484222325;
};

void Put(std::string& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i));
}
std::uint64_t Get(std::string_view in, std::size_t at, int bytes) {
  std::uint64_t v = 0;
  for (int i = 0; i < bytes; ++i)
    v |= std::uint64_t{static_cast<std::uint8_t>(in[at + static_cast<std::size_t>(i)])} << (8 * i);
  return v;
}

void Text(Fnv& fnv, std::string_view text) {
  fnv.Value(text.size(), 8);
  for (const char c : text) fnv.Byte(static_cast<std::uint8_t>(c));
}

std::string IndexFileName(std::uint64_t key) {
  char name[40];
  std::snprintf(name, sizeof name, "packing-index-%016llx", static_cast<unsigned long long>(key));
  return name;
}

// Keeps packing `wanted` (1-based) of those it is given.
class PackingPicker final : public PackingSink {
 public:
  explicit PackingPicker(std::int64_t wanted) : wanted_(wanted) {}
  void Found(const PieceCells& cells) override {
    if (++seen_ == wanted_) packing = PackingOfPieces(cells);
  }
  Packing packing{};

 private:
  std::int64_t wanted_;
  std::int64_t seen_ = 0;
};

// How far the index is counted, on standard error when it is a terminal; the line is wiped at
// the end, so the drawing that follows on the same terminal starts clean.
class IndexProgress {
 public:
  IndexProgress() : terminal_(StderrIsTerminal()) {}
  IndexProgress(const IndexProgress&) = delete;
  IndexProgress& operator=(const IndexProgress&) = delete;
  ~IndexProgress() {
    if (drawn_) std::fprintf(stderr, "\r%40s\r", "");
  }
  void Counted(std::size_t done, std::size_t total) {
    if (!terminal_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - shownAt_ < std::chrono::milliseconds(500)) return;
    shownAt_ = now;
    drawn_ = true;
    std::fprintf(stderr, "\rbuilding the packing index ... %3.0f %%",
                 100.0 * static_cast<double>(done) / static_cast<double>(total));
  }

 private:
  bool terminal_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point shownAt_ = std::chrono::steady_clock::now();
};

// The listing's tasks and what searches below them.
struct Listing {
  Listing() {
    SilentCatalogueReport quiet;
    catalogue = BuildCatalogue(quiet);
    state = std::make_unique<SearchState>(*catalogue, report);
    state->deepKernel = DeepKernelFromEnvironment();
    script = RecordScript(*catalogue, MakeEmptyBox());
  }
  std::unique_ptr<PieceCatalogue> catalogue;
  SilentSearchReport report;
  std::unique_ptr<SearchState> state;
  SearchScript script;
};

// Where the index of `key` is kept: nowhere when the cache folder is unknown, or is not this
// user's alone (whoever may write there could plant an index), or has no secret to sign with.
struct IndexFile {
  explicit IndexFile(std::uint64_t key) : dir(CacheDirectory()), name(IndexFileName(key)) {}

  std::vector<std::uint32_t> Load(std::uint64_t key, std::size_t taskCount) const {
    std::vector<std::uint32_t> counts;
    std::string secret, bytes;
    if (!dir.empty() && IsPrivateFolder(dir) && CacheSecret(dir, false, secret) &&
        ReadSmallFile(PathIn(dir, name), kHeaderBytes + 4 * taskCount + kSignatureBytes, bytes))
      DecodeIndex(bytes, secret, key, taskCount, counts);
    return counts;
  }
  void Save(std::uint64_t key, std::size_t taskCount,
            const std::vector<std::uint32_t>& counts) const {
    if (dir.empty()) return;
    MakeFolders(dir);
    std::string secret;
    if (IsPrivateFolder(dir) && CacheSecret(dir, true, secret))
      ReplaceFileContents(dir, name, EncodeIndex(secret, key, taskCount, counts));
  }
  std::string dir;
  std::string name;
};

// Counts the tasks after those in `counts` on all cores, in order, until their packings reach
// number n or the tasks end.
void CountOn(Listing& listing, std::int64_t n, std::vector<std::uint32_t>& counts) {
  std::int64_t total = 0;
  for (const std::uint32_t c : counts) total += c;
  const std::size_t taskCount = listing.script.tasks.size();
  IndexProgress progress;
  CountTasks(*listing.state, listing.script, counts.size(), HardwareJobs(),
             [&](std::size_t task, std::int64_t packings) {
               if (packings > std::numeric_limits<std::uint32_t>::max())
                 throw std::length_error("more packings below one board than the index holds");
               counts.push_back(static_cast<std::uint32_t>(packings));
               progress.Counted(task + 1, taskCount);
               total += packings;
               return total < n;
             });
}

}  // namespace

std::size_t TaskHolding(std::int64_t n, const std::vector<std::uint32_t>& counts,
                        std::int64_t& before) {
  before = 0;
  std::size_t task = 0;
  for (; task < counts.size() && before + counts[task] < n; ++task) before += counts[task];
  return task;
}

std::uint64_t PuzzleIndexKey(std::uint64_t puzzleHash, std::size_t taskCount,
                             std::uint64_t taskFingerprint, std::string_view labels,
                             const std::vector<int>& pieceClasses) {
  Fnv fnv;
  fnv.Value(kIndexLayout, 4);
  fnv.Byte('P');  // never a key of the built-in listing's
  Text(fnv, kEngineVersion);
  fnv.Value(puzzleHash, 8);
  fnv.Value(taskCount, 8);
  fnv.Value(taskFingerprint, 8);
  Text(fnv, labels);
  for (const int c : pieceClasses) fnv.Value(static_cast<std::uint64_t>(c), 2);
  return fnv.value();
}

bool CacheSecret(const std::string& dir, bool create, std::string& secret) {
  const std::string path = PathIn(dir, kSecretName);
  const auto read = [&] {
    return ReadPrivateFile(path, kIndexSecretBytes, secret) && secret.size() == kIndexSecretBytes;
  };
  if (read()) return true;
  std::string fresh;
  if (!create || !RandomBytes(kIndexSecretBytes, fresh)) return false;
  // Another run may make one at the same time: whichever is there first is the secret.
  CreateFileOnce(dir, kSecretName, fresh);
  return read();
}

std::vector<std::uint32_t> LoadIndex(std::uint64_t key, std::size_t taskCount) {
  return IndexFile(key).Load(key, taskCount);
}

void SaveIndex(std::uint64_t key, std::size_t taskCount, const std::vector<std::uint32_t>& counts) {
  try {
    IndexFile(key).Save(key, taskCount, counts);
  } catch (const std::exception&) {
    // Out of memory, say: the index is only for the runs after.
  }
}

std::uint64_t IndexKey(const SearchScript& script) {
  Fnv fnv;
  fnv.Value(kIndexLayout, 4);
  Text(fnv, kEngineVersion);
  fnv.Value(script.tasks.size(), 8);
  // What the listing below a task depends on: its board and its first three pieces.
  for (std::size_t i = 0; i < script.tasks.size(); ++i) {
    const SubtreeTask& task = script.tasks[i];
    fnv.Value(task.board.mask, 8);
    for (const std::uint8_t c : task.board.cells) fnv.Byte(c);
    for (const std::uint8_t p : task.board.placed) fnv.Byte(p);
    for (const PlacedPiece& p : task.firstPieces) {
      fnv.Value(static_cast<std::uint64_t>(p.piece), 1);
      fnv.Value(p.cells, 8);
    }
  }
  return fnv.value();
}

std::string EncodeIndex(std::string_view secret, std::uint64_t key, std::size_t taskCount,
                        const std::vector<std::uint32_t>& counts) {
  std::string out(kMagic);
  Put(out, key, 8);
  Put(out, taskCount, 4);
  Put(out, counts.size(), 4);
  for (const std::uint32_t c : counts) Put(out, c, 4);
  Put(out, SipHash24(secret, out), 8);
  return out;
}

bool DecodeIndex(std::string_view bytes, std::string_view secret, std::uint64_t key,
                 std::size_t taskCount, std::vector<std::uint32_t>& counts) {
  counts.clear();
  if (secret.size() != kIndexSecretBytes || bytes.size() < kHeaderBytes + kSignatureBytes ||
      bytes.substr(0, kMagic.size()) != kMagic)
    return false;
  const std::size_t counted = Get(bytes, kMagic.size() + 12, 4);
  if (Get(bytes, kMagic.size(), 8) != key || Get(bytes, kMagic.size() + 8, 4) != taskCount ||
      counted > taskCount || bytes.size() != kHeaderBytes + 4 * counted + kSignatureBytes)
    return false;
  const std::size_t end = bytes.size() - kSignatureBytes;
  if (Get(bytes, end, 8) != SipHash24(secret, bytes.substr(0, end))) return false;
  counts.reserve(counted);
  for (std::size_t at = kHeaderBytes; at < end; at += 4)
    counts.push_back(static_cast<std::uint32_t>(Get(bytes, at, 4)));
  return true;
}

bool FindPacking(std::int64_t n, Packing& out) {
  Listing listing;
  const std::size_t taskCount = listing.script.tasks.size();
  const std::uint64_t key = IndexKey(listing.script);
  const IndexFile file(key);
  std::vector<std::uint32_t> counts = file.Load(key, taskCount);

  for (bool recounted = false;; recounted = true) {
    // 1. The task that holds packing n, counting on where the index stops short of it.
    std::int64_t before = 0;
    std::size_t task = TaskHolding(n, counts, before);
    if (task == counts.size() && counts.size() < taskCount) {
      CountOn(listing, n, counts);
      // Without a cache the packing is still shown: saving is only for the runs after.
      file.Save(key, taskCount, counts);
      task = TaskHolding(n, counts, before);
    }
    if (task == counts.size()) return false;

    // 2. Packing n - before of that task, which must hold as many as the index says.
    PackingPicker picker(n - before);
    if (ListTask(*listing.state, listing.script.tasks[task], picker) == counts[task]) {
      out = picker.packing;
      return true;
    }
    // An index the search disagrees with is counted anew, once.
    if (recounted) throw std::logic_error("the packing index disagrees with the listing");
    counts.clear();
  }
}

void SaveListedIndex(const std::vector<std::uint32_t>& counts) {
  try {
    const Listing listing;
    // A listing cut short, or of other tasks, has no index to give.
    if (counts.size() != listing.script.tasks.size()) return;
    const std::uint64_t key = IndexKey(listing.script);
    IndexFile(key).Save(key, counts.size(), counts);
  } catch (const std::exception&) {
    // Out of memory, say: the listing itself is written, which is what was asked.
  }
}

}  // namespace cubepack
