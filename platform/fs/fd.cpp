#include "platform/fs/fd.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kelvax {

void Fd::reset(int fd) {
  if (fd_ >= 0) {
    // The caller has nobody to tell, and may still be about to read errno.
    const int saved = errno;
    (void)close(fd_);
    errno = saved;
  }
  fd_ = fd;
}

Status Fd::Close(const std::string& what) {
  if (fd_ < 0) return Status::Ok();
  const int rc = close(release());
  if (rc != 0 && errno != EINTR) return ErrnoStatus(errno, what);
  return Status::Ok();
}

bool StillNamedBy(int fd, const std::string& path) {
  struct stat open_file {
  }, entry{};
  return fstat(fd, &open_file) == 0 && lstat(path.c_str(), &entry) == 0 &&
         entry.st_dev == open_file.st_dev && entry.st_ino == open_file.st_ino;
}

Status WriteFully(int fd, std::string_view data, const std::string& what) {
  while (!data.empty()) {
    const ssize_t n = write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return ErrnoStatus(errno, what);
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return Status::Ok();
}

}  // namespace kelvax
