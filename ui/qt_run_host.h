// The engine's screen on the desktop: the progress window, the clipboard with its messages, and
// the desktop's file opener.
#pragma once

#include <QPointer>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <string>

#include "engine/run_host.h"
#include "ui/form_auto.h"

namespace kelvax::ui {

class QtRunHost : public RunHost {
 public:
  // The window system is serviced at most this often while rows are written: a yield per row
  // would cost more than writing the row.
  static constexpr std::chrono::milliseconds kYieldInterval{30};
  // Longest wait for the window system to put the progress window on the screen.
  static constexpr std::chrono::milliseconds kExposeWait{2000};

  explicit QtRunHost(FormAuto& form);

  // The window that a run disables and enables again (the command center), if any.
  void SetCommandCenter(QWidget* window) { command_center_ = window; }

  void SetTaskCounter(int task, int count) override;
  void ShowProgressWindow() override;
  void HideProgressWindow() override;
  // Notes the row; the window follows at the next yield, at most kYieldInterval later.
  void ShowProgress(std::int32_t rows, std::int32_t total, double start, double now) override;
  void SetCommandCenterEnabled(bool enabled) override;
  void ProcessEvents() override;
  Status CopyToClipboard(const std::string& text, const std::string& html) override;
  void ShellOpen(const std::string& path) override;
  bool CutRequested() const override { return cut_ || RunHost::CutRequested(); }
  std::string CutCause() const override { return cut_cause_; }
  // The user ended the program (from the progress window or the command center): a run in
  // progress stops, its record saying `cause` (the first one given), and the progress window
  // goes.
  void EndRequested(const std::string& cause);

 private:
  struct Row {
    std::int32_t rows = 0, total = 0;
    double start = 0, now = 0;
    std::uint64_t sequence = 0;  // 0: nothing waiting
  };

  // Brings the window up to the rows noted since the last yield, then lets it process events.
  void Yield();
  void ApplyNotedRows();

  FormAuto& form_;
  QPointer<QWidget> command_center_;
  bool cut_ = false;
  std::string cut_cause_;

  // The coarse monotonic clock: a few nanoseconds a row, a few milliseconds' resolution.
  static std::int64_t NowNs();
  std::int64_t next_yield_ns_ = 0;
  std::uint64_t sequence_ = 0;
  // The last row that sets the labels (no total, or up to 99 %) and the last row of all, which
  // sets the bar: the window shows what it would after every single row.
  Row label_row_, last_row_;
};

// Shows one of the clipboard messages in a box titled with the application title, OK only.
void ShowClipboardMessage(const QString& text);

}  // namespace kelvax::ui
