#include "settings/task_section.h"

#include <utility>
#include <vector>

#include "engine/job_file.h"
#include "engine/job_schema.h"

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
