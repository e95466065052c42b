#include "platform/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/fd.h"
#include "platform/file_ops.h"

namespace kelvax {

namespace {

// The owner and group of `like` where chown allows it, then its permission bits; setuid and
// setgid only when owner and group were both taken, so they never pass to another owner.
void TakeAttributes(int fd, const struct stat& like) {
  struct stat own{};
  if (fstat(fd, &own) != 0) return;
  const bool same_owner = (own.st_uid == like.st_uid && own.st_gid == like.st_gid) ||
                          fchown(fd, like.st_uid, like.st_gid) == 0;
  fchmod(fd, like.st_mode & (same_owner ? 07777 : 01777));
}

}  // namespace

Status CopyFileReplacing(const std::string& source, const std::string& destination) {
  Fd in(open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return ErrnoStatus(errno, source);
  struct stat st{};
  if (fstat(in.get(), &st) != 0) return ErrnoStatus(errno, source);
  if (!S_ISREG(st.st_mode)) return ErrnoStatus(EISDIR, source);
  struct stat old{};
  const bool replacing = stat(destination.c_str(), &old) == 0 && S_ISREG(old.st_mode);

  AtomicFile out;
  if (Status s = out.Create(destination, replacing ? 0600 : AtomicFile::NewFileMode(st.st_mode & 0777)); !s) return s;
  std::vector<char> buffer(1 << 20);
  for (;;) {
    ssize_t n = read(in.get(), buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ErrnoStatus(errno, source);
    if (n == 0) break;
    if (Status s = out.Write(buffer.data(), static_cast<std::size_t>(n)); !s) return s;
  }
  if (replacing) TakeAttributes(out.fd(), old);
  return out.Commit();
}

}  // namespace kelvax
