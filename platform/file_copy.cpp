#include "platform/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/fd.h"

namespace kelvax {

Status CopyFileReplacing(const std::string& source, const std::string& destination) {
  Fd in(open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return ErrnoStatus(errno, source);
  struct stat st{};
  if (fstat(in.get(), &st) != 0) return ErrnoStatus(errno, source);
  if (!S_ISREG(st.st_mode)) return ErrnoStatus(EISDIR, source);

  AtomicFile out;
  if (Status s = out.Create(destination, st.st_mode & 07777); !s) return s;
  std::vector<char> buffer(1 << 20);
  for (;;) {
    ssize_t n = read(in.get(), buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ErrnoStatus(errno, source);
    if (n == 0) break;
    if (Status s = out.Write(buffer.data(), static_cast<std::size_t>(n)); !s) return s;
  }
  return out.Commit();
}

}  // namespace kelvax
