// The program's side: the module is an ordinary shared library, loaded by path once. Installed,
// it is ../KELVAX_MODULE_DIR/kelvax_ui.so from the executable's folder (the package kelvax-gui);
// in the build tree (and beside a copied program) it sits beside the executable.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/fs/folders.h"
#include "ui/module/desktop_module.h"

#ifndef KELVAX_MODULE_DIR
#define KELVAX_MODULE_DIR "lib/kelvax"
#endif

namespace kelvax::ui {

namespace {

constexpr const char* kModuleFile = "kelvax_ui.so";

// A file or folder that only we or root may change: a module another user could put in place
// (say /tmp/lib/kelvax/ under a program copied to /tmp/x/) would run as us. A group's members
// are other users too, unless the group is root's.
bool OursAlone(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && (st.st_uid == 0 || st.st_uid == geteuid()) &&
         (st.st_mode & S_IWOTH) == 0 && ((st.st_mode & S_IWGRP) == 0 || st.st_gid == 0);
}

struct Place {
  std::string file;
  std::vector<std::string> guarded;  // the folders between the file and the program's own
};

// Where the module is, or null when it is in neither place.
const Place* Find() {
  static const Place found = [] {
    const std::string exe = ExecutableFolder();
    Place installed{exe + "/../" KELVAX_MODULE_DIR "/" + kModuleFile, {}};
    for (std::string folder = exe + "/../" KELVAX_MODULE_DIR; folder.size() > exe.size() + 3;
         folder.erase(folder.rfind('/'))) {
      installed.guarded.push_back(folder);
    }
    for (const Place& place : {installed, Place{exe + "/" + kModuleFile, {}}}) {
      if (access(place.file.c_str(), F_OK) == 0) return place;
    }
    return Place{};
  }();
  return found.file.empty() ? nullptr : &found;
}

const DesktopModule* Load(std::string& why) {
  const Place* found = Find();
  if (!found) {
    const std::string exe = ExecutableFolder();
    why = std::string("no ") + kModuleFile + " in " + exe + "/../" KELVAX_MODULE_DIR " or " + exe;
    return nullptr;
  }
  if (!OursAlone(found->file)) {
    why = found->file + " may be changed by another user";
    return nullptr;
  }
  for (const std::string& folder : found->guarded) {
    if (!OursAlone(folder)) {
      why = folder + " may be changed by another user";
      return nullptr;
    }
  }
  void* module = dlopen(found->file.c_str(), RTLD_NOW | RTLD_LOCAL);
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

bool DesktopModuleInstalled() { return Find() != nullptr; }

const DesktopModule* LoadDesktopModule(std::string& why) {
  static std::string failure;
  static const DesktopModule* module = Load(failure);
  if (!module) why = failure;
  return module;
}

}  // namespace kelvax::ui
