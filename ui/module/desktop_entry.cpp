// The module's side: what the program may ask of the windows.
#include "ui/clipboard_holder.h"
#include "ui/desktop_session.h"
#include "ui/display_probe.h"
#include "ui/module/desktop_module.h"

namespace kelvax::ui {

namespace {

int RunDesktop(const std::string& platform, const std::string& job_path, const JobRun& run_job) {
  DesktopSession desktop(platform);
  if (job_path.empty()) return desktop.RunCommandCenter(run_job);
  return run_job(job_path, desktop.host()).exit_status;
}

constexpr DesktopModule kModule{UsableQtPlatform, RunDesktop, RunClipboardHolder};

}  // namespace

}  // namespace kelvax::ui

extern "C" __attribute__((visibility("default"))) const kelvax::ui::DesktopModule*
KelvaxDesktopModule() {
  return &kelvax::ui::kModule;
}
