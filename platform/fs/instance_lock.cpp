#include "platform/fs/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kelvax {

InstanceLock::~InstanceLock() {
  // Removed while still locked, so that no one can lock the old file after we let it go. The
  // file holds no data: closing it has nothing to report.
  if (locked_) unlink(path_.c_str());
}

Status InstanceLock::Acquire(const std::string& folder, const std::string& name) {
  path_ = folder + (folder.empty() || folder.back() != '/' ? "/" : "") + name;
  auto unusable = [&](const char* why) {
    return Status::Error(StatusCode::kPermissionDenied,
                         "cannot hold the lock " + path_ + ": " + why);
  };
  for (int attempt = 0; attempt < 100; ++attempt) {
    // Never through a symbolic link: one planted there would have us create a file elsewhere.
    fd_.reset(open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666));
    // Another user's lock file (a copied program in a shared folder) cannot be opened for
    // writing; flock needs only a descriptor, so reading is enough.
    if (fd_.get() < 0 && (errno == EACCES || errno == EPERM)) {
      fd_.reset(open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    }
    if (fd_.get() < 0) {
      if (errno == ENOENT) continue;  // removed between the two opens
      return unusable(errno == ELOOP ? "it is a symbolic link" : std::strerror(errno));
    }
    int rc;
    while ((rc = flock(fd_.get(), LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (rc != 0) {
      const int err = errno;
      fd_.reset();
      if (err == EWOULDBLOCK) {
        return Status::Error(StatusCode::kFileAlreadyOpen,
                             "another instance is running with its log in " + folder);
      }
      return unusable(std::strerror(err));
    }
    // A holder that ended may have removed the file after we opened it, and a lock on a
    // removed file keeps no one out.
    if (StillNamedBy(fd_.get(), path_)) {
      locked_ = true;
      return Status::Ok();
    }
    fd_.reset();
  }
  return unusable("it is removed and made again each time it is opened");
}

}  // namespace kelvax
