#include "shared/index_file.h"

#include <cstdio>
#include <exception>

#include "shared/engine_version.h"
#include "shared/platform.h"
#include "shared/siphash.h"

namespace cubepack {

namespace {

// The file's layout; part of the key, so a new layout never meets an old file.
constexpr std::uint32_t kIndexLayout = 2;
constexpr const char* kSecretName = "index-secret";
constexpr std::string_view kMagic = "cpindex\n";
constexpr std::size_t kHeaderBytes = kMagic.size() + 8 + 4 + 4;  // magic, key, tasks, counted
constexpr std::size_t kSignatureBytes = 8;

void Put(std::string& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i));
}
std::uint64_t Get(std::string_view in, std::size_t at, int bytes) {
  std::uint64_t v = 0;
  for (int i = 0; i < bytes; ++i)
    v |= std::uint64_t{static_cast<std::uint8_t>(in[at + static_cast<std::size_t>(i)])} << (8 * i);
  return v;
}
std::string IndexFileName(std::uint64_t key) {
  char name[40];
  std::snprintf(name, sizeof name, "packing-index-%016llx", static_cast<unsigned long long>(key));
  return name;
}
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

}  // namespace

Fnv1a IndexKeyHash() {
  Fnv1a fnv;
  fnv.Value(kIndexLayout, 4);
  fnv.Text(kEngineVersion);
  return fnv;
}

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
  Fnv1a fnv = IndexKeyHash();
  fnv.Byte('P');  // never a key of the built-in listing's
  fnv.Value(puzzleHash, 8);
  fnv.Value(taskCount, 8);
  fnv.Value(taskFingerprint, 8);
  fnv.Text(labels);
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

}  // namespace cubepack
