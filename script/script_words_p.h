#pragma once
// Keyword fields of script lines: a word chosen from a short list.

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "script/script_engine.h"

// The value of `word` in the list; an unknown word is reported with `notFound`, then the whole
// line, and gives `fallback`.
inline int wordValue(std::string_view word,
                     std::initializer_list<std::pair<std::string_view, int>> values, int fallback,
                     const char* notFound, const std::string& line) {
  for (const auto& [text, value] : values) {
    if (word == text) return value;
  }
  ScriptEngine::reportLoad(notFound);
  ScriptEngine::reportLoad(line);
  return fallback;
}
