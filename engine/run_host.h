// RunHost: everything the engine asks of a screen. The headless host serves cron; the Qt host
// shows the progress window; tests record the calls.
#pragma once

#include <cstdint>
#include <string>

#include "platform/process/stop_signal.h"
#include "platform/status.h"

namespace kelvax {

class RunHost {
 public:
  virtual ~RunHost() = default;

  // The run is at task `task` (from 1) of `count`.
  virtual void SetTaskCounter(int task, int count) = 0;
  virtual void ShowProgressWindow() = 0;
  virtual void HideProgressWindow() = 0;
  // Called once per written row: must stay cheap.
  virtual void ShowProgress(std::int32_t rows, std::int32_t total, double start, double now) = 0;
  virtual void SetCommandCenterEnabled(bool enabled) = 0;
  virtual void ProcessEvents() = 0;
  // Puts the text on the desktop clipboard, with `html`, a table of the same cells, beside it.
  // A failure carries the message the host showed the user.
  virtual Status CopyToClipboard(const std::string& text, const std::string& html) = 0;
  virtual void ShellOpen(const std::string& path) = 0;
  // True once the run must end: the user ended the program from the progress window, or a
  // SIGTERM or SIGINT came. The run stops in order and records where it stopped.
  virtual bool CutRequested() const { return StopSignalReceived() != 0; }
  // The words the cut record gives for a cut this host asked for (which window ended the run);
  // empty: "進行状況ウィンドウから終了しました". A stop signal is named by the runner itself.
  virtual std::string CutCause() const { return std::string(); }
};

// A host that shows nothing (tests, and the base of the headless host).
class NullRunHost : public RunHost {
 public:
  void SetTaskCounter(int, int) override {}
  void ShowProgressWindow() override {}
  void HideProgressWindow() override {}
  void ShowProgress(std::int32_t, std::int32_t, double, double) override {}
  void SetCommandCenterEnabled(bool) override {}
  void ProcessEvents() override {}
  Status CopyToClipboard(const std::string&, const std::string&) override {
    return Status::Error(StatusCode::kUnexpected, "no clipboard");
  }
  void ShellOpen(const std::string&) override {}
};

}  // namespace kelvax
