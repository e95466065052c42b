// An owned file descriptor. Close() reports what closing says, as a network file system may
// report a lost write only there; the destructor closes silently, as a last resort on paths
// that fail anyway.
#pragma once

#include <string>
#include <string_view>

#include "platform/status.h"

namespace kelvax {

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;

  int get() const { return fd_; }
  // Gives the descriptor up without closing it.
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes the descriptor held, ignoring the result, and takes `fd`.
  void reset(int fd = -1);
  // Closes the descriptor held; a failure names `what`. The descriptor is gone whatever close
  // returns, so an interrupted close counts as closed. Holding none is no failure.
  [[nodiscard]] Status Close(const std::string& what);

 private:
  int fd_;
};

// True while `path` itself names the file open as `fd`: not removed or replaced since, and not
// a link to it.
bool StillNamedBy(int fd, const std::string& path);

// Writes all of `data` to an open descriptor, going on after partial writes and interruptions.
// `what` heads the error description.
Status WriteFully(int fd, std::string_view data, const std::string& what);

}  // namespace kelvax
