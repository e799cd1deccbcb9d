#pragma once
// The depth sort of the drawn items (sorted meshes' faces, lines and points; particles).

#include <cstddef>
#include <span>
#include <utility>

// In-place quicksort on `.key`, decreasing (farthest first), the middle element as pivot; equal
// keys keep no particular order. The smaller side is sorted by recursion and the larger one by the
// loop, so the recursion stays below log2(n) deep; a NaN key stops both scans, so they never
// leave the range.
template <class Item>
void sortByKeyDescending(std::span<Item> items) {
  std::ptrdiff_t low = 0;
  std::ptrdiff_t high = static_cast<std::ptrdiff_t>(items.size()) - 1;
  while (low < high) {
    const float pivot = items[static_cast<std::size_t>(low + (high - low) / 2)].key;
    std::ptrdiff_t i = low;
    std::ptrdiff_t j = high;
    while (i <= j) {
      while (items[static_cast<std::size_t>(i)].key > pivot)
        ++i;
      while (items[static_cast<std::size_t>(j)].key < pivot)
        --j;
      if (i <= j) {
        std::swap(items[static_cast<std::size_t>(i)], items[static_cast<std::size_t>(j)]);
        ++i;
        --j;
      }
    }
    if (j - low < high - i) {
      sortByKeyDescending(
          items.subspan(static_cast<std::size_t>(low), static_cast<std::size_t>(j - low + 1)));
      low = i;
    } else {
      sortByKeyDescending(
          items.subspan(static_cast<std::size_t>(i), static_cast<std::size_t>(high - i + 1)));
      high = j;
    }
  }
}
