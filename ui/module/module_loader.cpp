// The program's side: the embedded module is written to an anonymous memory file and loaded from
// there, once; nothing is left on disk.
#include <dlfcn.h>
#include <sys/mman.h>

#include <cerrno>
#include <cstring>

#include "platform/fd.h"
#include "platform/file_ops.h"
#include "ui/module/desktop_module.h"

extern "C" const char kelvax_ui_module_start[];
extern "C" const char kelvax_ui_module_end[];

namespace kelvax::ui {

namespace {

const DesktopModule* Load(std::string& why) {
  // Closed once the loader has mapped it.
  Fd file(memfd_create("kelvax-ui", MFD_CLOEXEC));
  if (file.get() < 0) {
    why = std::string("memfd_create: ") + std::strerror(errno);
    return nullptr;
  }
  if (Status s = WriteFully(file.get(), kelvax_ui_module_start,
                            static_cast<size_t>(kelvax_ui_module_end - kelvax_ui_module_start),
                            "the window module");
      !s) {
    why = s.description();
    return nullptr;
  }
  const std::string path = "/proc/self/fd/" + std::to_string(file.get());
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
