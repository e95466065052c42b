// The windows are a module of their own (kelvax_ui.so, installed in lib/kelvax/), loaded only
// when a display is there: linking the window toolkit into the program itself would load some
// forty libraries (over 10 MB of memory) into every run, cron's included.
#pragma once

#include <functional>
#include <string>

#include "engine/run_host.h"

namespace kelvax::ui {

struct DesktopModule {
  // The value for QT_QPA_PLATFORM that reaches a display, or empty when none does.
  std::string (*usable_platform)();
  // Opens the desktop on `platform`. With `job`, runs it with the desktop's host and returns its
  // result; without, shows the command center until the program ends.
  int (*run)(const std::string& platform, const std::function<int(RunHost&)>* job);
  // The clipboard holder process (this executable started with kHoldClipboardOption).
  int (*hold_clipboard)();
};

// The program's module, loaded on the first call. Null when it cannot be loaded (not installed
// beside the program, or the toolkit's libraries missing); `why` then says so.
const DesktopModule* LoadDesktopModule(std::string& why);

}  // namespace kelvax::ui

// The module's one exported name.
extern "C" const kelvax::ui::DesktopModule* KelvaxDesktopModule();
