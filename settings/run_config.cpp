#include "settings/run_config.h"

#include <utility>
#include <vector>

#include "engine/job_file.h"
#include "platform/fs/folders.h"
#include "platform/ini/ini_file.h"

namespace kelvax::settings {

namespace {

constexpr const char* kOutputValues[] = {"TAB", "CSV", "CLIP", "HTML", "EXCEL"};

}  // namespace

std::string RunConfigPath() { return CurrentProgramFolders().config + "/RunConfig.ini"; }

void LoadRunConfig(const std::string& path, RunConfig& config) {
  const IniFile file = IniFile::Load(path);
  const std::string section = "Connection01";
  config.connect = file.Get(section, "DSN01");
  config.output_file = file.Get(section, "EXPORT");
  const std::string output = file.Get(section, "OUTPUT");
  for (int i = kTab; i <= kExcel; ++i) {
    if (output == kOutputValues[i]) config.output_type = i;
  }
  config.no_show_data = file.Get(section, "SHOWDATA") != "ON";
  config.no_counter = file.Get(section, "COUNTER") != "ON";
}

RunConfig LoadRunConfig(const std::string& path) {
  RunConfig config;
  LoadRunConfig(path, config);
  return config;
}

Status SaveRunConfig(const std::string& path, const RunConfig& config) {
  const bool known = config.output_type >= kTab && config.output_type <= kExcel;
  const std::vector<std::pair<std::string, std::string>> values = {
      {"DSN01", TrimBlanks(config.connect)},
      {"SQL01", ""},
      {"OUTPUT", known ? kOutputValues[config.output_type] : "OFF"},
      {"EXPORT", config.output_file},
      {"INDICATOR", "ON"},
      {"SHOWDATA", config.no_show_data ? "OFF" : "ON"},
      {"COUNTER", config.no_counter ? "OFF" : "ON"},
  };
  return WriteIniSection(path, "CONNECTION01", values);
}

}  // namespace kelvax::settings
