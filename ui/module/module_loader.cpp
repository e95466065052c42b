// The program's side: the embedded module is written to an anonymous memory file and loaded from
// there, once; nothing is left on disk.
#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ui/module/desktop_module.h"

extern "C" const char kelvax_ui_module_start[];
extern "C" const char kelvax_ui_module_end[];

namespace kelvax::ui {

namespace {

// Closes the memory file once the loader has mapped it.
class MemoryFile {
 public:
  MemoryFile() : fd_(memfd_create("kelvax-ui", MFD_CLOEXEC)) {}
  ~MemoryFile() { if (fd_ >= 0) close(fd_); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

const DesktopModule* Load(std::string& why) {
  MemoryFile file;
  if (file.fd() < 0) {
    why = std::string("memfd_create: ") + std::strerror(errno);
    return nullptr;
  }
  if (!WriteAll(file.fd(), kelvax_ui_module_start,
                static_cast<size_t>(kelvax_ui_module_end - kelvax_ui_module_start))) {
    why = std::string("writing the module: ") + std::strerror(errno);
    return nullptr;
  }
  const std::string path = "/proc/self/fd/" + std::to_string(file.fd());
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    const char* e = dlerror();
    why = e ? e : "dlopen failed";
    return nullptr;
  }
  auto entry = reinterpret_cast<const DesktopModule* (*)()>(dlsym(module, "KelvaxDesktopModule"));
  if (!entry) {
    why = "the module has no entry";
    return nullptr;
  }
  return entry();
}

}  // namespace

const DesktopModule* LoadDesktopModule(std::string& why) {
  static std::string failure;
  static const DesktopModule* module = Load(failure);
  if (!module) why = failure;
  return module;
}

}  // namespace kelvax::ui
