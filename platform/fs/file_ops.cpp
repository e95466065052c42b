#include "platform/fs/file_ops.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/fs/fd.h"

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
  // Nobody waits for the desktop: a failure to start it has no one to go to.
  (void)SpawnDetached(const_cast<char* const*>(argv), nullptr, -1);
}

bool SpawnDetached(char* const argv[], char* const envp[], int io_fd) {
  // For closing descriptors one by one where close_range is missing (kernels before 5.9).
  struct rlimit files {};
  const int last_fd = getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur != RLIM_INFINITY
                          ? static_cast<int>(std::min<rlim_t>(files.rlim_cur, 1 << 20)) - 1
                          : 65535;
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    // The grandchild is adopted by init once this child leaves.
    const pid_t grandchild = fork();
    if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
    setsid();
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    const int null_fd = open("/dev/null", O_RDWR);
    const int io = io_fd >= 0 ? io_fd : null_fd;
    if (io >= 0) {
      dup2(io, STDIN_FILENO);
      dup2(io, STDOUT_FILENO);
    }
    if (null_fd >= 0) dup2(null_fd, STDERR_FILENO);
    if (close_range(3, ~0U, 0) != 0) {
      for (int fd = 3; fd <= last_fd; ++fd) close(fd);
    }
    if (envp != nullptr) {
      execve(argv[0], argv, envp);
    } else {
      execvp(argv[0], argv);
    }
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

Status AppendWhole(const std::string& path, const std::string& bytes) {
  Fd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0666));
  if (fd.get() < 0) return ErrnoStatus(errno, path);
  ssize_t n;
  do {
    n = write(fd.get(), bytes.data(), bytes.size());
  } while (n < 0 && errno == EINTR);
  if (n < 0) return ErrnoStatus(errno, path);
  if (static_cast<std::size_t>(n) < bytes.size()) {
    // A full disk or a file-size limit took part of it: the file ends where our write began.
    const off_t end = lseek(fd.get(), 0, SEEK_CUR);
    // Writing the rest tells why; whatever it adds is cut off with the rest.
    int err = ENOSPC;
    if (write(fd.get(), bytes.data() + n, bytes.size() - n) < 0) err = errno;
    if (end < n || ftruncate(fd.get(), end - n) != 0) err = errno;
    return ErrnoStatus(err, path);
  }
  return fd.Close(path);
}

}  // namespace kelvax
