#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/RuntimeError.h"
#include "runtime/Text.h"

namespace sigpatch::inline runtime {

/// An ordered collection of items under keys, as the system's keyed collection
/// works: positions count from 1 in the order of adding, and a key (compared
/// without regard to letter case) can be present only once.
template <typename T>
class Collection {
 public:
  /// Adds an item at the end; a key already present raises error 457.
  void Add(T item, std::u16string_view key) {
    std::u16string folded = text::toUpper(key);
    if (find(folded) != nullptr) throw RuntimeError(err::kDuplicateKey);
    entries_.push_back({std::move(folded), std::move(item)});
  }

  std::int32_t Count() const { return static_cast<std::int32_t>(entries_.size()); }

  /// The item at a 1-based position; error 9 when there is none.
  const T& Item(std::int32_t index) const {
    if (index < 1 || index > Count()) throw RuntimeError(err::kSubscriptOutOfRange);
    return entries_[static_cast<std::size_t>(index - 1)].item;
  }

  /// The item under a key; error 5 when there is none.
  const T& Item(std::u16string_view key) const {
    const T* item = find(text::toUpper(key));
    if (item == nullptr) throw RuntimeError(err::kInvalidProcedureCall);
    return *item;
  }

  bool Contains(std::u16string_view key) const { return find(text::toUpper(key)) != nullptr; }

  auto begin() const { return ItemIterator{entries_.begin()}; }
  auto end() const { return ItemIterator{entries_.end()}; }

 private:
  struct Entry {
    std::u16string key;
    T item;
  };

  struct ItemIterator {
    typename std::vector<Entry>::const_iterator it;
    const T& operator*() const { return it->item; }
    ItemIterator& operator++() {
      ++it;
      return *this;
    }
    bool operator!=(const ItemIterator& other) const { return it != other.it; }
  };

  const T* find(const std::u16string& foldedKey) const {
    for (const auto& entry : entries_) {
      if (entry.key == foldedKey) return &entry.item;
    }
    return nullptr;
  }

  std::vector<Entry> entries_;
};

}  // namespace sigpatch::runtime
