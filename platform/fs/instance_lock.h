// The previous-instance test: one running program per run-log folder, so that two users of one
// installed program (each with a log of their own) never block each other. The lock is an flock
// on .kelvax.lock in that folder, so the kernel releases it when the program dies and a crash
// never blocks the next start. The file is removed when the lock is let
// go; a file left by a crash is reused by the next start. A program that cannot hold the lock
// (the file cannot be opened, is a link or a folder, or the file system has no locks) does not
// run: running without it would let two runs write one log.
#pragma once

#include <string>

#include "platform/fs/fd.h"
#include "platform/status.h"

namespace kelvax {

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Ok when this process now holds the lock file `name` in `folder` (one per run log, so a
  // folder may hold several); else why not (another instance holds it: kFileAlreadyOpen; or the
  // lock file cannot be used), in a sentence naming the folder or the file.
  Status Acquire(const std::string& folder, const std::string& name = ".kelvax.lock");

 private:
  Fd fd_;
  bool locked_ = false;
  std::string path_;
};

}  // namespace kelvax
