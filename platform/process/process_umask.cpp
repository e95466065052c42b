#include "platform/process/process_umask.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdio>

namespace kelvax {

namespace {

constexpr int kUnread = -1;
std::atomic<int> remembered{kUnread};

// The "Umask:" line of /proc/self/status, or kUnread where there is none (no /proc mounted, a
// kernel before 4.7).
int ShownUmask() {
  std::FILE* status = std::fopen("/proc/self/status", "re");
  if (!status) return kUnread;
  int mask = kUnread;
  char line[256];
  while (std::fgets(line, sizeof line, status)) {
    unsigned int value = 0;
    if (std::sscanf(line, "Umask: %o", &value) == 1) {
      mask = static_cast<int>(value & 0777);
      break;
    }
  }
  std::fclose(status);
  return mask;
}

int ReadUmask() {
  if (const int shown = ShownUmask(); shown != kUnread) return shown;
  const mode_t mask = umask(0);
  umask(mask);
  return static_cast<int>(mask);
}

}  // namespace

void RememberUmask() { remembered.store(ReadUmask()); }

mode_t ProcessUmask() {
  int mask = remembered.load();
  if (mask == kUnread) {
    mask = ReadUmask();
    remembered.store(mask);
  }
  return static_cast<mode_t>(mask);
}

}  // namespace kelvax
