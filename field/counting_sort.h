// One stable counting pass: the building block of the field's radix sorts, which keep the order
// of equal keys as std::stable_sort would, in time linear in the items.
#pragma once

#include <algorithm>
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

}  // namespace field
