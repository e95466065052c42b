#include "platform/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/fd.h"

namespace kelvax {

namespace {

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

Status CopyFileReplacing(const std::string& source, const std::string& destination) {
  Fd in(open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return ErrnoStatus(errno, source);
  struct stat st{};
  if (fstat(in.get(), &st) != 0) return ErrnoStatus(errno, source);
  if (!S_ISREG(st.st_mode)) return ErrnoStatus(EISDIR, source);

  std::string temp = destination + ".kelvax-XXXXXX";
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  Fd out(mkostemp(name.data(), O_CLOEXEC));
  if (out.get() < 0) return ErrnoStatus(errno, destination);
  temp = name.data();

  auto fail = [&](int err, const std::string& what) {
    unlink(temp.c_str());
    return ErrnoStatus(err, what);
  };
  std::vector<char> buffer(1 << 20);
  for (;;) {
    ssize_t n = read(in.get(), buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(errno, source);
    if (n == 0) break;
    for (ssize_t done = 0; done < n;) {
      ssize_t w = write(out.get(), buffer.data() + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) return fail(errno, destination);
      done += w;
    }
  }
  fchmod(out.get(), st.st_mode & 07777);
  if (fsync(out.get()) != 0) return fail(errno, destination);
  if (close(out.release()) != 0) return fail(errno, destination);
  if (rename(temp.c_str(), destination.c_str()) != 0) return fail(errno, destination);
  // The rename itself survives a crash only once the folder is flushed too.
  Fd folder(open(FolderOf(destination).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) fsync(folder.get());
  return Status::Ok();
}

}  // namespace kelvax
