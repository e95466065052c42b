#include "settings/run_config.h"

#include "platform/fs/folders.h"
#include "platform/ini/ini_file.h"

namespace kelvax::settings {

std::string RunConfigPath() { return CurrentProgramFolders().config + "/RunConfig.ini"; }

void LoadRunConfig(const std::string& path, RunConfig& config) {
  const TaskSection s = ReadTaskSection(IniFile::Load(path));
  config.connect = s.connect;
  config.output_file = s.output_file;
  if (s.output != kOptionNone) config.output_type = s.output;
  config.no_show_data = s.no_show_data;
  config.no_counter = s.no_counter;
}

RunConfig LoadRunConfig(const std::string& path) {
  RunConfig config;
  LoadRunConfig(path, config);
  return config;
}

Status SaveRunConfig(const std::string& path, const RunConfig& config) {
  return WriteTaskSection(path,
                          {config.connect, "", config.output_file, config.output_type,
                           config.no_show_data, config.no_counter},
                          TaskFile::kSettings);
}

}  // namespace kelvax::settings
