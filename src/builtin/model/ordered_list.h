#pragma once
// The one kind of list the program uses: append at the tail, walk from head to tail, remove
// all, count. Elements live in contiguous storage that grows a block of kBlock at a time.

#include <cstddef>
#include <vector>

namespace cubepack::builtin {

template <typename T, std::size_t kBlock>
class OrderedList {
 public:
  void Append(const T& value) {
    if (items_.size() == items_.capacity()) items_.reserve(items_.capacity() + kBlock);
    items_.push_back(value);
  }
  // Releases the storage too, so an emptied list holds no memory.
  void RemoveAll() { std::vector<T>().swap(items_); }
  int Count() const { return static_cast<int>(items_.size()); }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  const T& operator[](int i) const { return items_[static_cast<std::size_t>(i)]; }

 private:
  std::vector<T> items_;
};

// The lists grow by 10 elements at a time. (Candidate lists are not ordered lists: their
// storage is reserved once for their full list's length.)
inline constexpr std::size_t kListBlock = 10;

}  // namespace cubepack::builtin
