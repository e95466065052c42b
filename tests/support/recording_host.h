// A RunHost that records what the engine asked of the screen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/run_host.h"

namespace kelvax::test {

struct ProgressCall {
  std::int32_t rows;
  std::int32_t total;
};

class RecordingHost : public RunHost {
 public:
  void SetTaskCounter(int task, int count) override {
    counters.push_back(std::to_string(task) + "/" + std::to_string(count));
  }
  void ShowProgressWindow() override { ++shown; }
  void HideProgressWindow() override { ++hidden; }
  void ShowProgress(std::int32_t rows, std::int32_t total, double, double) override {
    progress.push_back({rows, total});
    if (cut_after_rows > 0 && rows >= cut_after_rows) cut = true;
  }
  void SetCommandCenterEnabled(bool enabled) override { enabled_calls.push_back(enabled); }
  void ProcessEvents() override { ++events; }
  Status CopyToClipboard(const std::string& text, const std::string& html) override {
    clipboard.push_back(text);
    clipboard_html.push_back(html);
    return clipboard_ok ? Status::Ok() : Status::Error(errnum::kClipboard, "clipboard refused");
  }
  void ShellOpen(const std::string& path) override { opened.push_back(path); }
  bool CutRequested() const override { return cut; }

  std::vector<std::string> counters;
  int shown = 0;
  int hidden = 0;
  std::vector<ProgressCall> progress;
  std::vector<bool> enabled_calls;
  int events = 0;
  std::vector<std::string> clipboard;
  std::vector<std::string> clipboard_html;
  bool clipboard_ok = true;
  std::vector<std::string> opened;
  int cut_after_rows = 0;
  bool cut = false;
};

}  // namespace kelvax::test
