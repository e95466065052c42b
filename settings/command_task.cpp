#include "settings/command_task.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include "engine/job_file.h"
#include "platform/ini/ini_file.h"
#include "platform/text/cp932.h"
#include "platform/text/line_breaks.h"
#include "platform/text/utf8.h"

namespace kelvax::settings {

namespace {

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
  // A job file in code page 932 would hold '?' for a character it has no form for, and the
  // statement would then find other rows (or read the '?' as a parameter): nothing is written.
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
  return WriteTaskSection(path, section, TaskFile::kJob);
}

std::string WriteFailureMessage(const Status& status) {
  return "ファイルに書き込めませんでした。\n" + status.description();
}

}  // namespace kelvax::settings
