// The host of a run without windows (cron, no display): nothing is shown, files open through
// the desktop where there is one.
#pragma once

#include "engine/run_host.h"

namespace kelvax {

class HeadlessHost : public NullRunHost {
 public:
  void ShellOpen(const std::string& path) override;
};

}  // namespace kelvax
