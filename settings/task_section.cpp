#include "settings/task_section.h"

#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/job_file.h"
#include "engine/job_schema.h"
#include "platform/text/cp932.h"
#include "platform/text/utf8.h"

namespace kelvax::settings {

namespace {

struct Choice {
  OutputKind kind;
  const char* settings_word;  // as RunConfig.ini and a loaded job name it
  const char* extension;
};

constexpr Choice kChoices[] = {
    {OutputKind::kTab, "TAB", ".txt"},        {OutputKind::kCsv, "CSV", ".csv"},
    {OutputKind::kClipboard, "CLIP", ".txt"}, {OutputKind::kHtml, "HTML", ".html"},
    {OutputKind::kExcel, "EXCEL", ".xls"},
};

bool Known(int option) { return option >= kOptionTab && option <= kOptionExcel; }

const char* Switch(bool off) { return off ? kSwitchOff : kSwitchOn; }

// The first character of `text` that code page 932 has no form for (it would be written as
// '?'), or "" when every one has a form.
std::string FirstCharacterOutsideCp932(const std::string& text) {
  std::size_t replaced = 0;
  ToCp932(text, &replaced);
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t i = 0; replaced > 0 && i < text.size();) {
    char32_t cp = 0;
    const std::size_t n = DecodeUtf8(bytes + i, text.size() - i, cp);
    std::size_t missing = 0;
    if (cp >= 0x80) ToCp932(std::string_view(text).substr(i, n), &missing);
    if (missing > 0) return text.substr(i, n);
    i += n;
  }
  return "";
}

std::string CodePoint(const std::string& character) {
  char32_t cp = 0;
  DecodeUtf8(reinterpret_cast<const unsigned char*>(character.data()), character.size(), cp);
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(cp));
  return text;
}

}  // namespace

TaskSection ReadTaskSection(const IniFile& file) {
  TaskSection s;
  s.connect = file.Get(kTaskSection, "DSN01");
  s.sql = file.Get(kTaskSection, "SQL01");
  s.output_file = file.Get(kTaskSection, "EXPORT");
  const std::string output = file.Get(kTaskSection, "OUTPUT");
  for (int i = kOptionTab; i <= kOptionExcel; ++i) {
    if (output == kChoices[i].settings_word) s.output = i;
  }
  s.no_show_data = file.Get(kTaskSection, "SHOWDATA") != kSwitchOn;
  s.no_counter = file.Get(kTaskSection, "COUNTER") != kSwitchOn;
  return s;
}

Status WriteTaskSection(const std::string& path, const TaskSection& section, TaskFile file) {
  const bool job = file == TaskFile::kJob;
  // A file in code page 932 would hold '?' for a character it has no form for, and the statement
  // would then find other rows (or read the '?' as a parameter): nothing is written.
  if (IniFile::Load(path).encoding() != IniEncoding::kUtf8) {
    const std::pair<const char*, std::string> fields[] = {
        {"接続先", section.connect}, {"SQL", section.sql}, {"出力先", section.output_file}};
    for (const auto& [field, value] : fields) {
      if (const std::string c = FirstCharacterOutsideCp932(value); !c.empty()) {
        return Status::Error(StatusCode::kInvalidArgument,
                             path + ": " + field + "の「" + c + "」(" + CodePoint(c) +
                                 ") はシフトJIS (コードページ932) にない文字です");
      }
    }
  }
  std::string output = kSwitchOff;
  if (Known(section.output)) {
    output =
        job ? OutputWord(kChoices[section.output].kind) : kChoices[section.output].settings_word;
  }
  std::vector<std::pair<std::string, std::string>> values = {{"DSN01", TrimBlanks(section.connect)},
                                                             {"SQL01", section.sql}};
  if (job) values.insert(values.end(), {{"DSN02", ""}, {"SQL02", ""}});
  values.insert(values.end(), {{"OUTPUT", output},
                               {"EXPORT", section.output_file},
                               {"INDICATOR", kSwitchOn},
                               {"SHOWDATA", Switch(section.no_show_data)},
                               {"COUNTER", Switch(section.no_counter)}});
  // The settings file has always named its section in capitals; names match in any case.
  return WriteIniSection(path, job ? kTaskSection : "CONNECTION01", values);
}

const char* OutputExtension(int option) {
  return Known(option) ? kChoices[option].extension : kChoices[kOptionTab].extension;
}

}  // namespace kelvax::settings
