#include "ui/display_probe.h"

#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <QDir>
#include <QLibraryInfo>
#include <cstdlib>
#include <cstring>

#include "platform/fs/fd.h"

namespace kelvax::ui {

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

bool PlatformPluginInstalled(const char* prefix) {
  QDir dir(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"));
  return !dir.entryList({QStringLiteral("libq") + QLatin1String(prefix) + QStringLiteral("*.so")},
                        QDir::Files)
              .isEmpty();
}

}  // namespace

namespace {

// The probe's open connection and the library it came from.
struct ProbeConnection {
  void* library = nullptr;
  void* connection = nullptr;
  void (*disconnect)(void*) = nullptr;
};

ProbeConnection& Probe() {
  static ProbeConnection probe;
  return probe;
}

}  // namespace

bool X11DisplayAnswers() {
  if (Env("DISPLAY").empty()) return false;
  ProbeConnection& probe = Probe();
  if (probe.connection) return true;
  // The same connect the xcb plugin makes, through the library it loads anyway.
  void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (!xcb) return false;
  using Connect = void* (*)(const char*, int*);
  using HasError = int (*)(void*);
  using Disconnect = void (*)(void*);
  auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
  auto has_error = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
  auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
  void* c = connect && has_error && disconnect ? connect(nullptr, nullptr) : nullptr;
  if (c && has_error(c) == 0) {
    probe = {xcb, c, disconnect};
    return true;
  }
  if (c) disconnect(c);  // a failed connection is still to be freed
  dlclose(xcb);
  return false;
}

void ReleaseDisplayProbe() {
  ProbeConnection& probe = Probe();
  if (!probe.connection) return;
  probe.disconnect(probe.connection);
  dlclose(probe.library);
  probe = {};
}

bool WaylandDisplayAnswers() {
  if (!Env("WAYLAND_SOCKET").empty()) return true;
  std::string name = Env("WAYLAND_DISPLAY");
  if (name.empty()) return false;
  std::string path = name;
  if (name.front() != '/') {
    std::string runtime = Env("XDG_RUNTIME_DIR");
    if (runtime.empty()) return false;
    path = runtime + "/" + name;
  }
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const Fd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  return fd.get() >= 0 &&
         connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

std::string UsableQtPlatform() {
  const std::string chosen = Env("QT_QPA_PLATFORM");
  if (!chosen.empty()) {
    const std::string first = chosen.substr(0, chosen.find_first_of(";:"));
    if (first == "xcb") return X11DisplayAnswers() ? chosen : "";
    if (first.rfind("wayland", 0) == 0) {
      return WaylandDisplayAnswers() && PlatformPluginInstalled("wayland") ? chosen : "";
    }
    return chosen;
  }
  if (X11DisplayAnswers() && PlatformPluginInstalled("xcb")) return "xcb";
  if (WaylandDisplayAnswers() && PlatformPluginInstalled("wayland")) return "wayland";
  return "";
}

}  // namespace kelvax::ui
