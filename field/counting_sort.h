// One stable counting pass: the building block of the field's radix sorts, which keep the order
// of equal keys as std::stable_sort would, in time linear in the items.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace field {

// Orders `items` stably by `key(item)`, each in [0, start.size() - 1); `scratch` and `start` are
// the pass's working space, kept by the caller across passes.
template <typename T, typename Key>
void CountingPass(std::vector<T>& items, std::vector<T>& scratch, std::vector<int>& start, const Key& key) {
  std::fill(start.begin(), start.end(), 0);
  for (const T& item : items) ++start[key(item) + 1];
  for (size_t b = 1; b < start.size(); ++b) start[b] += start[b - 1];
  scratch.resize(items.size());
  for (const T& item : items) scratch[start[key(item)]++] = item;
  items.swap(scratch);
}

// Orders `items` stably by `key(item)`, then by `less` within a key: one counting pass, then
// each bucket sorted on its own. Where keys are many the buckets hold a few items each, which
// sorting in place costs less than a second pass over all of them.
template <typename T, typename Key, typename Less>
void CountingPassThenSort(std::vector<T>& items, std::vector<T>& scratch, std::vector<int>& start,
                          const Key& key, const Less& less) {
  CountingPass(items, scratch, start, key);
  // The pass leaves start[b] at the end of bucket b.
  constexpr int kInsertionItems = 16;
  for (size_t b = 0, begin = 0; b + 1 < start.size(); begin = static_cast<size_t>(start[b++])) {
    const auto first = items.begin() + static_cast<std::ptrdiff_t>(begin);
    const auto last = items.begin() + start[b];
    if (last - first > kInsertionItems) {
      std::stable_sort(first, last, less);
      continue;
    }
    for (auto i = first + (first != last); i < last; ++i) {
      T item = *i;
      auto j = i;
      for (; j > first && less(item, *(j - 1)); --j) *j = *(j - 1);
      *j = item;
    }
  }
}

}  // namespace field
