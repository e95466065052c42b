// The previous-instance test: one running program per run-log folder, so that two users of one
// installed program (each with a log of their own) never block each other. The lock is an flock
// on .kelvax.lock in that folder, so the kernel releases it when the program dies and a crash
// never blocks the next start. The file is removed when the lock is let
// go; a file left by a crash is reused by the next start.
#pragma once

#include <string>

#include "platform/fd.h"

namespace kelvax {

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when this process now holds the lock in `folder`; false when another one does.
  // A lock file that cannot be created at all does not stop the program.
  bool Acquire(const std::string& folder);

 private:
  Fd fd_;
  bool locked_ = false;
  std::string path_;
};

}  // namespace kelvax
