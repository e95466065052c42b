#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>

#include "platform/folders.h"

namespace kelvax {

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) close(fd_);
}

bool InstanceLock::Acquire(const std::string& folder) {
  // Keyed by the folder, kept outside it: the program's folder need not be writable.
  char name[64];
  std::snprintf(name, sizeof name, "kelvax-%016zx.lock", std::hash<std::string>{}(folder));
  std::string path = TempFolder() + name;
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) return true;
  while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) {
      close(fd_);
      fd_ = -1;
      return false;
    }
    return true;  // a file system without locks: run rather than refuse
  }
  return true;
}

}  // namespace kelvax
