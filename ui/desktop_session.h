// The desktop side of a start: the application object, the fonts, the progress window (loaded
// hidden) and the host through which a run reaches them.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/run_host.h"
#include "ui/module/desktop_module.h"

class QApplication;

namespace kelvax::ui {

class FormAuto;
class QtRunHost;

class DesktopSession {
 public:
  // qt_platform: the value UsableQtPlatform() gave (not empty).
  explicit DesktopSession(const std::string& qt_platform);
  ~DesktopSession();
  DesktopSession(const DesktopSession&) = delete;
  DesktopSession& operator=(const DesktopSession&) = delete;

  RunHost& host();
  // Shows the command center, whose run button runs its job through `run_job`, and returns when
  // the program ends: the command center or the progress window was closed.
  int RunCommandCenter(const JobRun& run_job);

 private:
  int argc_ = 1;
  char name_[8] = "kelvax";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
  std::unique_ptr<FormAuto> form_;
  std::unique_ptr<QtRunHost> host_;
};

}  // namespace kelvax::ui
