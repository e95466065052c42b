#include "platform/fs/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/fs/atomic_file.h"
#include "platform/fs/fd.h"
#include "platform/fs/file_ops.h"

namespace kelvax {

namespace {

// The owner and group of `like` where chown allows it, then its permission bits; setuid and
// setgid only when owner and group were both taken, so they never pass to another owner.
void TakeAttributes(int fd, const struct stat& like) {
  struct stat own {};
  if (fstat(fd, &own) != 0) return;
  const bool same_owner = (own.st_uid == like.st_uid && own.st_gid == like.st_gid) ||
                          fchown(fd, like.st_uid, like.st_gid) == 0;
  fchmod(fd, like.st_mode & (same_owner ? 07777 : 01777));
}

Status RegularOnly(const struct stat& st, const std::string& path) {
  if (S_ISREG(st.st_mode)) return Status::Ok();
  if (S_ISDIR(st.st_mode)) return ErrnoStatus(EISDIR, path);
  return Status::Error(StatusCode::kFileIo, path + ": Not a regular file");
}

}  // namespace

Status CopyFileReplacing(const std::string& source, const std::string& destination,
                         const std::function<bool()>& stop) {
  // A device is not even opened: opening some of them acts (a tape rewinds when closed).
  struct stat st {};
  if (stat(source.c_str(), &st) == 0) {
    if (Status s = RegularOnly(st, source); !s) return s;
  }
  // Not blocking, so that a FIFO put there since cannot hold the open until a writer comes;
  // the file opened is what counts.
  Fd in(open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (in.get() < 0) return ErrnoStatus(errno, source);
  if (fstat(in.get(), &st) != 0) return ErrnoStatus(errno, source);
  if (Status s = RegularOnly(st, source); !s) return s;
  struct stat old {};
  const bool replacing = stat(destination.c_str(), &old) == 0 && S_ISREG(old.st_mode);

  AtomicFile out;
  if (Status s =
          out.Create(destination, replacing ? 0600 : AtomicFile::NewFileMode(st.st_mode & 0777));
      !s)
    return s;
  std::vector<char> buffer(1 << 20);
  for (;;) {
    ssize_t n = read(in.get(), buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ErrnoStatus(errno, source);
    if (n == 0) break;
    if (Status s = out.Write(buffer.data(), static_cast<std::size_t>(n)); !s) return s;
    if (stop && stop()) return Status::Ok();  // the new file goes with `out`
  }
  if (replacing) TakeAttributes(out.fd(), old);
  return out.Commit();
}

}  // namespace kelvax
