#include "platform/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <vector>

#include "platform/fd.h"
#include "platform/file_ops.h"

namespace kelvax {

namespace {

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// A new file beside `base` under a name no one else holds, created with `mode` (the kernel
// applies the umask and a default ACL, as for any new file).
Status CreateTemporary(const std::string& base, mode_t mode, Fd& fd, std::string& name) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = base + ".kelvax-";
    for (int i = 0; i < 8; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    fd.reset(open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    if (fd.get() >= 0) return Status::Ok();
    if (errno != EEXIST) return ErrnoStatus(errno, base);
  }
  return ErrnoStatus(EEXIST, base);
}

// The owner and group of `like` where chown allows it, then its permission bits; setuid and
// setgid only when owner and group were both taken, so they never pass to another owner.
void TakeAttributes(int fd, const struct stat& like) {
  struct stat own{};
  if (fstat(fd, &own) != 0) return;
  const bool same_owner = (own.st_uid == like.st_uid && own.st_gid == like.st_gid) ||
                          fchown(fd, like.st_uid, like.st_gid) == 0;
  fchmod(fd, like.st_mode & (same_owner ? 07777 : 01777));
}

// Flushes the file, renames it over `destination` and flushes the folder, so that the rename
// survives a crash.
Status FlushAndRename(int fd, const std::string& path, const std::string& destination) {
  if (fsync(fd) != 0) return ErrnoStatus(errno, destination);
  if (rename(path.c_str(), destination.c_str()) != 0) return ErrnoStatus(errno, destination);
  Fd folder(open(FolderOf(destination).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) fsync(folder.get());
  return Status::Ok();
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

  Fd out;
  std::string temp;
  if (Status s = CreateTemporary(destination, replacing ? 0600 : st.st_mode & 0777, out, temp); !s) {
    return s;
  }
  auto fail = [&](const Status& s) {
    unlink(temp.c_str());
    return s;
  };
  std::vector<char> buffer(1 << 20);
  for (;;) {
    ssize_t n = read(in.get(), buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(ErrnoStatus(errno, source));
    if (n == 0) break;
    if (Status s = WriteFully(out.get(), buffer.data(), static_cast<size_t>(n), destination); !s) {
      return fail(s);
    }
  }
  if (replacing) TakeAttributes(out.get(), old);
  if (Status s = FlushAndRename(out.get(), temp, destination); !s) return fail(s);
  if (close(out.release()) != 0) return ErrnoStatus(errno, destination);
  return Status::Ok();
}

Status ReplaceKeepingAttributes(int fd, const std::string& path, const std::string& destination) {
  struct stat open_file{}, entry{}, old{};
  if (fstat(fd, &open_file) != 0) return ErrnoStatus(errno, path);
  if (lstat(path.c_str(), &entry) != 0) return ErrnoStatus(errno, path);
  if (entry.st_dev != open_file.st_dev || entry.st_ino != open_file.st_ino) {
    return ErrnoStatus(EEXIST, path);
  }
  if (stat(destination.c_str(), &old) != 0) return ErrnoStatus(errno, destination);
  TakeAttributes(fd, old);
  return FlushAndRename(fd, path, destination);
}

}  // namespace kelvax
