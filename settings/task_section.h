// The one task section the command center and its settings keep ("Connection01" of
// RunConfig.ini and of the command center's job): the output choices, the words each file writes
// for them, and reading and writing the section. RunConfig and CommandTask are views of it.
#pragma once

#include <string>

#include "platform/ini/ini_file.h"
#include "platform/status.h"

namespace kelvax::settings {

// The output choices, in the order of the option buttons.
enum OutputOption : int {
  kOptionNone = -1,  // written as "OFF"; an unknown or missing OUTPUT when read
  kOptionTab = 0,    // "TAB"
  kOptionCsv = 1,    // "CSV"
  kOptionClip = 2,   // "CLIP" in the settings; "CRIP", the job runner's word, in a job file
  kOptionHtml = 3,   // "HTML"
  kOptionExcel = 4,  // "EXCEL"
};

// The file a section belongs to, which decides the clipboard's word and the keys written.
enum class TaskFile { kSettings, kJob };

struct TaskSection {
  std::string connect;      // DSN01
  std::string sql;          // SQL01
  std::string output_file;  // EXPORT
  int output = kOptionNone;
  // Stored inverted: checked ("do not show" / "do not count") is "OFF", and only an exact "ON"
  // unchecks, so a missing or empty key reads as checked.
  bool no_show_data = true;  // SHOWDATA
  bool no_counter = true;    // COUNTER
};

inline constexpr const char* kTaskSection = "Connection01";

// Reads the section. OUTPUT is compared exactly with "TAB", "CSV", "CLIP", "HTML", "EXCEL" (a
// job file's "CRIP" is not one of them).
TaskSection ReadTaskSection(const IniFile& file);

// Writes the section in place, the file replaced once: DSN01 (trimmed), SQL01 (as given; empty in
// the settings), DSN02 and SQL02 (empty; a job file only), OUTPUT, EXPORT (as typed),
// INDICATOR=ON, SHOWDATA, COUNTER. Other sections and keys stay as they were. Where the file is
// code page 932, a field holding a character that has no form there is refused, naming it.
Status WriteTaskSection(const std::string& path, const TaskSection& section, TaskFile file);

// The extension of the default output file for `option`: .txt, .csv, .txt, .html, .xls.
const char* OutputExtension(int option);

}  // namespace kelvax::settings
