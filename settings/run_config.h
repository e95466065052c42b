// RunConfig.ini: the command center's defaults, edited by the settings dialog. One section,
// read as "Connection01" and written as "CONNECTION01" (names match without regard to case);
// values compare exactly and with case on reading ("TAB", "ON"). Text is UTF-8 here; the file
// is CP932 with CR LF line ends.
#pragma once

#include <string>

#include "platform/status.h"
#include "settings/task_section.h"

namespace kelvax::settings {

struct RunConfig {
  std::string connect;            // DSN01, the default connect string
  std::string output_file;        // EXPORT, the default output file, kept as typed
  int output_type = kOptionNone;  // an OutputOption
  // The two switches are stored inverted: checked ("do not show" / "do not count") is "OFF",
  // and only an exact "ON" unchecks them, so a missing or empty key reads as checked.
  bool no_show_data = true;  // SHOWDATA
  bool no_counter = true;    // COUNTER
};

// RunConfig.ini in the configuration folder (CurrentProgramFolders).
std::string RunConfigPath();

// Reads DSN01, EXPORT, OUTPUT, SHOWDATA and COUNTER. A missing file or key gives the defaults
// above; an unknown OUTPUT leaves `output_type` of `config` as it was.
void LoadRunConfig(const std::string& path, RunConfig& config);
RunConfig LoadRunConfig(const std::string& path);

// Writes section "CONNECTION01" in place, the file replaced once: DSN01 (trimmed), SQL01
// (empty), OUTPUT, EXPORT (as typed), INDICATOR=ON, SHOWDATA, COUNTER. Other sections and keys,
// and the order of keys already present, stay as they were. On failure the file is as it was;
// the Status description names the path and the reason.
Status SaveRunConfig(const std::string& path, const RunConfig& config);

}  // namespace kelvax::settings
