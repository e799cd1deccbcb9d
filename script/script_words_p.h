#pragma once
// Keyword fields of script lines (a word chosen from a short list), and the report of a
// controller given to a target that does not take its kind.

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "base/report.h"
#include "control/lecx_controller.h"
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

// "can t set pController with id: <type> to <target>" under the target's caption.
inline void reportWrongController(std::string_view caption, const LECXController& controller,
                                  std::string_view target) {
  report(caption, "can t set pController with id: " +
                      std::to_string(static_cast<int>(controller.getType())) + " to " +
                      std::string(target));
}
