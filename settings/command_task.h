// The command center's one task: loading its fields from a job or settings file and writing
// them as a one-task job file. The window only moves values between this struct and its
// controls. Text is UTF-8 here; job files are CP932 with CR LF line ends.
#pragma once

#include <string>

#include "platform/fs/folders.h"
#include "platform/status.h"
#include "settings/task_section.h"

namespace kelvax::settings {

struct CommandTask {
  std::string connect;             // DSN01 (T02_SetConnect)
  std::string sql;                 // SQL01 (T01_SetSQL), as shown in the box, line breaks included
  std::string output_file;         // EXPORT (T02_FileOut)
  int output_option = kOptionTab;  // an OutputOption; EXCEL only by a loaded "EXCEL"
  bool no_show_data = true;        // C01_ShowData checked: SHOWDATA=OFF
  bool no_counter = true;          // C02_Counter checked: COUNTER=OFF
};

// kelvax.ini in the configuration folder (CurrentProgramFolders): the job the run button writes
// and runs.
std::string CommandJobPath();

// Reads section "Connection01" of a settings or job file (the first task of a job). OUTPUT is
// compared exactly with "TAB", "CSV", "CLIP", "HTML", "EXCEL"; anything else selects option 0.
// An empty EXPORT becomes `desktop` + "/Kelvax" and the option's extension (.txt, .csv, .txt,
// .html, .xls). Only an exact "ON" unchecks a switch. A missing file gives the defaults.
CommandTask LoadCommandTask(const std::string& path, const std::string& desktop = DesktopFolder());

// The statement as a job file holds it: every line break (CR LF, CR or LF) becomes one space,
// since a job value cannot hold one and joining the lines would change the statement. The case
// is kept, as the runner keeps it.
std::string JobStatement(const std::string& sql_box_text);

// Writes the task into section "Connection01" of the file at `path`, in place, the file replaced
// once: DSN01 (trimmed), SQL01 (JobStatement), DSN02 and SQL02 (empty), OUTPUT, EXPORT (as
// typed), INDICATOR=ON, SHOWDATA, COUNTER. Other sections stay. On failure the file is as it was:
// the caller must then run nothing, and the Status description names the path and the reason.
// Writes nothing when the file is (or would be made) code page 932 and a field holds a character
// that code page has no form for: the description names the field and the character.
Status SaveCommandTask(const std::string& path, const CommandTask& task);

// The message-box text for a file that could not be written.
std::string WriteFailureMessage(const Status& status);

}  // namespace kelvax::settings
