// The host of a run without windows (cron, no display, or the windows not installed). Files open
// through the desktop only where there is one; the clipboard cannot be reached, which is said on
// standard error; a task with INDICATOR ON shows a one-line progress on standard error when that
// is a terminal, and where a display is there but the windows are not installed, says that once.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/run_host.h"

namespace kelvax {

class HeadlessHost : public NullRunHost {
 public:
  // desktop: a display may be there to open files on. terminal: progress lines go to `out`.
  HeadlessHost(bool desktop, bool terminal, std::FILE* out = stderr);

  // A display is there, but not the windows' module (the package kelvax-gui).
  void WindowsNotInstalled() { windows_missing_ = true; }

  void SetTaskCounter(int task, int count) override;
  void ShowProgressWindow() override;
  void HideProgressWindow() override;
  void ShowProgress(std::int32_t rows, std::int32_t total, double start, double now) override;
  Status CopyToClipboard(const std::string& text, const std::string& html) override;
  void ShellOpen(const std::string& path) override;

 private:
  void PrintProgress();

  bool desktop_;
  bool terminal_;
  std::FILE* out_;
  bool windows_missing_ = false;
  bool said_missing_ = false;
  bool showing_ = false;
  bool printed_ = false;
  std::string task_;  // "2/5"
  std::int32_t rows_ = 0, total_ = 0;
  double start_ = 0, now_ = 0;
  std::chrono::steady_clock::time_point next_print_{};
};

}  // namespace kelvax
