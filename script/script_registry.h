#pragma once
// A registry of the named objects of one script section: sized once from the section, owning
// its entries (an entry may be empty when its line could not be turned into an object), searched
// linearly by name with the first match winning.

#include <cstddef>
#include <memory>
#include <vector>

#include "base/string_c.h"

template <class T>
class ScriptRegistry {
 public:
  int count() const { return static_cast<int>(m_entries.size()); }
  bool isEmpty() const { return m_entries.empty(); }
  T* at(int index) const { return m_entries[static_cast<std::size_t>(index)].get(); }
  void add(std::unique_ptr<T> pEntry) { m_entries.push_back(std::move(pEntry)); }
  void reserve(std::size_t count) { m_entries.reserve(count); }
  // Releases the entries in registry order.
  void clear() {
    for (auto& pEntry : m_entries)
      pEntry.reset();
    m_entries.clear();
  }

  // The first entry whose name equals `name` under the case rule of `name`; empty entries are
  // passed over.
  T* find(const StringC& name) const {
    for (const auto& pEntry : m_entries) {
      if (pEntry && name == pEntry->getName()) return pEntry.get();
    }
    return nullptr;
  }

 private:
  std::vector<std::unique_ptr<T>> m_entries;
};
