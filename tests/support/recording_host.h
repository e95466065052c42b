// A RunHost that records what the engine asked of the screen.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/run_host.h"

namespace kelvax::test {

class RecordingHost : public RunHost {
 public:
  void SetTaskCounter(int task, int count) override {
    counters.push_back(std::to_string(task) + "/" + std::to_string(count));
  }
  void ShowProgressWindow() override {}
  void HideProgressWindow() override {}
  void ShowProgress(std::int32_t rows, std::int32_t, double, double) override {
    progress.push_back(rows);
    if (on_progress) on_progress(rows);
  }
  void SetCommandCenterEnabled(bool enabled) override { enabled_calls.push_back(enabled); }
  void ProcessEvents() override {}
  Status CopyToClipboard(const std::string& text, const std::string& html) override {
    clipboard.push_back(text);
    clipboard_html.push_back(html);
    return Status::Ok();
  }
  void ShellOpen(const std::string& path) override { opened.push_back(path); }
  bool CutRequested() const override { return cut; }

  std::vector<std::string> counters;
  std::vector<std::int32_t> progress;  // the rows of each report
  std::vector<bool> enabled_calls;
  std::vector<std::string> clipboard;
  std::vector<std::string> clipboard_html;
  std::vector<std::string> opened;
  std::function<void(std::int32_t rows)> on_progress;  // after each progress report
  bool cut = false;
};

}  // namespace kelvax::test
