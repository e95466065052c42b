// Reading job files: one value, the task count, one task.
#pragma once

#include <string>

#include "engine/job_task.h"
#include "platform/ini/ini_file.h"
#include "platform/status.h"

namespace kelvax {

// The value of `key` in `section`, trimmed; the empty text when the file, section or key is
// missing.
std::string GetIniString(const std::string& path, const std::string& section,
                         const std::string& key);

// The number of tasks: the last two characters of the last section name, read as a number.
// A file that is missing, empty or has no section fails with error number 5.
Status GetIniList(const std::string& path, int& count);
// The same on a file already read.
Status GetIniList(const IniFile& file, int& count);

// "CONNECTION" followed by the task number in at least two digits.
std::string TaskSectionName(int task_number);

// Reads task `task_number` into `task`: the nine values trimmed; the keywords OUTPUT, INDICATOR,
// SHOWDATA and COUNTER's ON and OFF upper-cased, the others as written.
void ReadJobTask(const IniFile& file, int task_number, JobTask& task);

// The row-count step: COUNTER "ON" becomes the statement that counts SQL01's rows
// (RowCountStatement). Other values stay as they are.
void PrepareRowCount(JobTask& task);

// Removes leading and trailing spaces (tabs stay), as job values and typed fields are trimmed.
std::string TrimBlanks(const std::string& s);

// Upper-cases ASCII letters and the full-width Latin letters, as the job values are compared.
std::string UpperCase(const std::string& utf8);

}  // namespace kelvax
