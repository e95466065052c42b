#include "settings/command_task.h"

#include "engine/job_file.h"
#include "platform/ini/ini_file.h"
#include "platform/text/line_breaks.h"

namespace kelvax::settings {

std::string CommandJobPath() { return CurrentProgramFolders().config + "/kelvax.ini"; }

CommandTask LoadCommandTask(const std::string& path, const std::string& desktop) {
  const TaskSection s = ReadTaskSection(IniFile::Load(path));
  CommandTask task{s.connect,      s.sql,
                   s.output_file,  s.output == kOptionNone ? kOptionTab : s.output,
                   s.no_show_data, s.no_counter};
  if (task.output_file.empty()) {
    task.output_file = desktop + "/Kelvax" + OutputExtension(task.output_option);
  }
  return task;
}

std::string JobStatement(const std::string& sql_box_text) {
  return ReplaceLineBreaks(sql_box_text, " ");
}

Status SaveCommandTask(const std::string& path, const CommandTask& task) {
  const TaskSection section{TrimBlanks(task.connect), JobStatement(task.sql), task.output_file,
                            task.output_option,       task.no_show_data,      task.no_counter};
  return WriteTaskSection(path, section, TaskFile::kJob);
}

std::string WriteFailureMessage(const Status& status) {
  return "ファイルに書き込めませんでした。\n" + status.description();
}

}  // namespace kelvax::settings
