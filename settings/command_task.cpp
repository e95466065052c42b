#include "settings/command_task.h"

#include <utility>

#include "engine/job_file.h"
#include "platform/ini/ini_file.h"
#include "platform/text/line_breaks.h"

namespace kelvax::settings {

namespace {

struct OptionValues {
  const char* recognised;
  const char* written;
  const char* extension;
};

constexpr OptionValues kOptions[] = {
    {"TAB", "TAB", ".txt"},    {"CSV", "CSV", ".csv"},     {"CLIP", "CRIP", ".txt"},
    {"HTML", "HTML", ".html"}, {"EXCEL", "EXCEL", ".xls"},
};

constexpr const char* kSection = "Connection01";

}  // namespace

std::string CommandJobPath() { return CurrentProgramFolders().config + "/kelvax.ini"; }

CommandTask LoadCommandTask(const std::string& path, const std::string& desktop) {
  const IniFile file = IniFile::Load(path);
  CommandTask task;
  task.connect = file.Get(kSection, "DSN01");
  task.sql = file.Get(kSection, "SQL01");
  task.output_file = file.Get(kSection, "EXPORT");
  const std::string output = file.Get(kSection, "OUTPUT");
  task.output_option = kOptionTab;
  for (int i = kOptionTab; i <= kOptionExcel; ++i) {
    if (output == kOptions[i].recognised) {
      task.output_option = i;
      break;
    }
  }
  if (task.output_file.empty()) {
    task.output_file = desktop + "/Kelvax" + kOptions[task.output_option].extension;
  }
  task.no_show_data = file.Get(kSection, "SHOWDATA") != "ON";
  task.no_counter = file.Get(kSection, "COUNTER") != "ON";
  return task;
}

std::string JobStatement(const std::string& sql_box_text) {
  return ReplaceLineBreaks(sql_box_text, " ");
}

Status SaveCommandTask(const std::string& path, const CommandTask& task) {
  const bool known = task.output_option >= kOptionTab && task.output_option <= kOptionExcel;
  const std::vector<std::pair<std::string, std::string>> values = {
      {"DSN01", TrimBlanks(task.connect)},
      {"SQL01", JobStatement(task.sql)},
      {"DSN02", ""},
      {"SQL02", ""},
      {"OUTPUT", known ? kOptions[task.output_option].written : "OFF"},
      {"EXPORT", task.output_file},
      {"INDICATOR", "ON"},
      {"SHOWDATA", task.no_show_data ? "OFF" : "ON"},
      {"COUNTER", task.no_counter ? "OFF" : "ON"},
  };
  return WriteIniSection(path, kSection, values);
}

std::string WriteFailureMessage(const Status& status) {
  return "ファイルに書き込めませんでした。\n" + status.description();
}

}  // namespace kelvax::settings
