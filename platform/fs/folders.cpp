#include "platform/fs/folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace kelvax {

namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  // cron and service managers may start us without HOME.
  std::vector<char> buf(16384);
  passwd pw;
  passwd* result = nullptr;
  if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result && result->pw_dir &&
      *result->pw_dir) {
    return result->pw_dir;
  }
  return std::string();
}

void StripTrailingSlashes(std::string& path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
}

// The value of XDG_DESKTOP_DIR in a user-dirs.dirs file: a shell assignment, normally
// XDG_DESKTOP_DIR="$HOME/Desktop". Empty when the file or the line is missing.
std::string ReadDesktopEntry(const std::string& file, const std::string& home) {
  std::ifstream in(file);
  std::string line;
  std::string value;
  bool found = false;
  while (std::getline(in, line)) {
    std::size_t p = line.find_first_not_of(" \t");
    if (p == std::string::npos || line[p] == '#') continue;
    static const std::string kKey = "XDG_DESKTOP_DIR";
    if (line.compare(p, kKey.size(), kKey) != 0) continue;
    p += kKey.size();
    p = line.find_first_not_of(" \t", p);
    if (p == std::string::npos || line[p] != '=') continue;
    ++p;
    std::string raw;
    if (p < line.size() && (line[p] == '"' || line[p] == '\'')) {
      const char quote = line[p++];
      for (; p < line.size() && line[p] != quote; ++p) {
        if (line[p] == '\\' && quote == '"' && p + 1 < line.size()) ++p;
        raw += line[p];
      }
    } else {
      const std::size_t end = line.find_first_of(" \t#", p);
      raw = line.substr(p, end == std::string::npos ? std::string::npos : end - p);
    }
    value = raw;  // like the shell, a later assignment wins
    found = true;
  }
  if (!found || value.empty()) return std::string();
  for (const std::string prefix : {"${HOME}", "$HOME"}) {
    if (value.compare(0, prefix.size(), prefix) == 0 &&
        (value.size() == prefix.size() || value[prefix.size()] == '/')) {
      if (home.empty()) return std::string();
      value = home + value.substr(prefix.size());
      break;
    }
  }
  if (value.front() != '/') {
    if (home.empty()) return std::string();
    value = home + "/" + value;
  }
  StripTrailingSlashes(value);
  return value;
}

// $NAME when it is an absolute path, else `home` + `fallback`; empty without either.
std::string XdgFolder(const char* name, const std::string& home, const char* fallback) {
  const char* value = std::getenv(name);
  std::string folder;
  if (value && value[0] == '/') {
    folder = value;
  } else if (!home.empty()) {
    folder = home + fallback;
  } else {
    return std::string();
  }
  StripTrailingSlashes(folder);
  return folder == "/" ? "/kelvax" : folder + "/kelvax";
}

// Only the user may add, remove or replace files in it: a folder another user may write lets
// them plant links where our log, lock and settings go.
bool OwnedAlone(const struct stat& st) {
  return st.st_uid == geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

ProgramFolders CurrentProgramFolders() {
  const std::string exe = ExecutableFolder();
  // Root may write there, yet its runs must not leave files among the system's programs.
  bool installed = exe == "/usr/bin";
#ifdef KELVAX_INSTALL_BINDIR
  installed = installed || exe == KELVAX_INSTALL_BINDIR;
#endif
  struct stat st;
  if (!exe.empty() && !installed && access(exe.c_str(), W_OK) == 0 && stat(exe.c_str(), &st) == 0 &&
      OwnedAlone(st)) {
    return {exe, exe};
  }
  const std::string home = HomeFolder();
  return {XdgFolder("XDG_STATE_HOME", home, "/.local/state"),
          XdgFolder("XDG_CONFIG_HOME", home, "/.config")};
}

Status MakeFolder(const std::string& folder) {
  if (folder.empty())
    return Status::Error(StatusCode::kPathNotFound,
                         "no folder for the program's files: HOME is not set");
  for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
    const std::string part = folder.substr(0, end);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return ErrnoStatus(errno, part);
    if (end == std::string::npos) break;
  }
  return CheckOwnFolder(folder);
}

Status CheckOwnFolder(const std::string& folder) {
  struct stat st;
  if (stat(folder.c_str(), &st) != 0) {
    return errno == ENOENT ? Status::Ok() : ErrnoStatus(errno, folder);
  }
  if (!S_ISDIR(st.st_mode)) return ErrnoStatus(ENOTDIR, folder);
  if (!OwnedAlone(st)) {
    return Status::Error(StatusCode::kPermissionDenied,
                         folder + " is not the user's own or others may write to it");
  }
  return Status::Ok();
}

std::string DesktopFolder() {
  const std::string home = HomeFolder();
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string config_dir;
  if (config && config[0] == '/') {
    config_dir = config;
  } else if (!home.empty()) {
    config_dir = home + "/.config";
  }
  if (!config_dir.empty()) {
    std::string desktop = ReadDesktopEntry(config_dir + "/user-dirs.dirs", home);
    if (!desktop.empty()) return desktop;
  }
  if (home.empty()) return std::string();
  std::string desktop = home;
  StripTrailingSlashes(desktop);
  if (desktop != "/") desktop += '/';
  return desktop + "Desktop";
}

std::string TempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  // Only an absolute folder can be put in front of a file name.
  std::string folder = (tmp && tmp[0] == '/') ? tmp : "/tmp";
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  return folder + '/';
}

std::string ExecutableFolder() {
  std::vector<char> buf(4096);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < buf.size()) {
      std::string exe(buf.data(), static_cast<std::size_t>(n));
      const std::size_t slash = exe.rfind('/');
      if (slash == std::string::npos) return std::string();
      return slash == 0 ? std::string("/") : exe.substr(0, slash);
    }
    buf.resize(buf.size() * 2);
  }
}

}  // namespace kelvax
