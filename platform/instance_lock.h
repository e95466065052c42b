// The previous-instance test: one running program per executable folder. The lock is an flock
// on a file named after the folder, so the kernel releases it when the program dies and a crash
// never blocks the next start.
#pragma once

#include <string>

namespace kelvax {

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when this process now holds the lock for `folder`; false when another one does.
  // A lock file that cannot be created at all does not stop the program.
  bool Acquire(const std::string& folder);

 private:
  int fd_ = -1;
};

}  // namespace kelvax
