#include "script/script_reader_p.h"

#include "base/report.h"
#include "script/config.h"
#include "script/script_engine.h"

void ScriptReader::reportEndOfFile(std::string_view awaited) {
  // The file ended while a section or key was still awaited: every later section is missing
  // too, so this is said once.
  if (m_atEnd) return;
  m_atEnd = true;
  std::string text = "end of file while searching ";
  text += awaited;
  ScriptEngine::reportLoad(text);
}

std::optional<std::string> ScriptReader::find(std::string_view key) {
  std::string line;
  int nbRead = 0;
  while (m_file.readLine(line)) {
    if (++nbRead > script_config::kSearchLinesBeforeWarning) {
      report("infinite loop", "searchExpression", ReportLevel::Plain);
    }
    if (firstWord(line) == key) return line;
  }
  reportEndOfFile(key);
  return std::nullopt;
}

std::vector<std::string> ScriptReader::readSection(const ScriptSection& section) {
  std::vector<std::string> kept;
  if (!find(section.startTag)) return kept;
  std::string line;
  while (true) {
    if (!m_file.readLine(line)) {
      reportEndOfFile(section.endTag);
      break;
    }
    const std::string_view word = firstWord(line);
    if (word == section.endTag) break;
    if (word != section.keyword) continue;
    kept.push_back(line);
    if (static_cast<int>(kept.size()) >= section.limit) {
      ScriptEngine::reportLoad(section.limitMessage);
      kept.clear();
      break;
    }
  }
  return kept;
}
