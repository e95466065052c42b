#include "platform/file_ops.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace kelvax {

int FileExists(const std::string& path) {
  if (path.empty()) return 0;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return 0;
  return S_ISREG(st.st_mode) ? -1 : 0;
}

Status RemoveFile(const std::string& path) {
  if (unlink(path.c_str()) != 0) return ErrnoStatus(errno, path);
  return Status::Ok();
}

void ShellOpen(const std::string& path) {
  // A name starting with '-' would be read as an option.
  const std::string arg = (!path.empty() && path[0] == '-') ? "./" + path : path;
  // Everything the children need is prepared here: after fork only async-signal-safe calls.
  const char* argv[] = {"xdg-open", arg.c_str(), nullptr};
  const pid_t child = fork();
  if (child < 0) return;
  if (child == 0) {
    setsid();
    // The grandchild is adopted by init once this child leaves, so it never becomes a zombie
    // of ours and we need not wait for the desktop.
    if (fork() != 0) _exit(0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    const int null_fd = open("/dev/null", O_RDWR);
    if (null_fd >= 0) {
      dup2(null_fd, 0);
      dup2(null_fd, 1);
      dup2(null_fd, 2);
      if (null_fd > 2) close(null_fd);
    }
    execvp(argv[0], const_cast<char* const*>(argv));
    _exit(127);
  }
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
}

Status WriteFully(int fd, const char* data, std::size_t size, const std::string& what) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return ErrnoStatus(errno, what);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return Status::Ok();
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) close(fd_);
}

Status OutputFile::Create(const std::string& path) {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return ErrnoStatus(errno, path);
  fd_ = fd;
  return Status::Ok();
}

Status OutputFile::Write(const char* data, std::size_t size) {
  if (fd_ < 0) return ErrnoStatus(EBADF, "");
  return WriteFully(fd_, data, size, "");
}

Status OutputFile::Close() {
  if (fd_ < 0) return Status::Ok();
  const int fd = fd_;
  fd_ = -1;
  // The descriptor is gone after close() whatever it returns, so EINTR is not retried.
  if (close(fd) != 0 && errno != EINTR) return ErrnoStatus(errno, "");
  return Status::Ok();
}

}  // namespace kelvax
