#include "platform/process/fatal_signal.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <utility>

#include "platform/text/terminal_text.h"

namespace kelvax {

namespace {

constexpr std::size_t kPathBytes = 4096;  // PATH_MAX: a longer path cannot be opened anyway
constexpr std::size_t kLineBytes = kPathBytes + 256;
constexpr std::size_t kShortBytes = 256;
constexpr int kFiles = 8;  // a task has one or two open; the settings may add one

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the handler reads the flags without locks");

// Bytes the handler copies with a loop of its own.
template <std::size_t N>
struct Bytes {
  char data[N];
  std::size_t size = 0;

  // Empty when `s` does not fit: a cut line would say something else.
  void Set(const std::string& s) {
    size = s.size() <= N ? s.size() : 0;
    std::memcpy(data, s.data(), size);
  }
};

// Appends into a fixed buffer, dropping what does not fit.
struct Out {
  char* data;
  std::size_t room, size = 0;

  void Add(const char* p, std::size_t n) {
    for (std::size_t i = 0; i < n && size < room; ++i) data[size++] = p[i];
  }
  template <std::size_t N>
  void Add(const Bytes<N>& b) {
    Add(b.data, b.size);
  }
  void Add(const char* text) {
    while (*text && size < room) data[size++] = *text++;
  }
};

struct SignalText {
  int number;
  const char* name;
  Bytes<kShortBytes> line, line_in_driver;  // the record's line, in the log's bytes
};

SignalText g_signals[] = {{SIGSEGV, "SIGSEGV", {}, {}},
                          {SIGBUS, "SIGBUS", {}, {}},
                          {SIGFPE, "SIGFPE", {}, {}},
                          {SIGILL, "SIGILL", {}, {}},
                          {SIGABRT, "SIGABRT", {}, {}}};

// The task under way. `ready` is cleared before the bytes change and set once they are whole.
struct Task {
  std::atomic<bool> ready{false};
  Bytes<kShortBytes> head;  // the record's first line
  Bytes<64> who;            // "task N", for standard error
};

enum SlotState : int { kFree, kFilling, kReady };

struct File {
  std::atomic<int> state{kFree};
  char path[kPathBytes];
  Bytes<kLineBytes> line;  // the record's line naming it
};

bool g_installed = false;  // set and read on the tasks' thread only, outside the handler
LogBytes g_log_bytes;
char g_log_path[kPathBytes];  // NUL-terminated; empty: no record
Bytes<kLineBytes> g_stderr_tail;
Task g_task;
File g_files[kFiles];
constinit thread_local volatile sig_atomic_t t_inside_driver = 0;

// Every record of the run log ends so: the 79-hyphen separator, CR LF, and an empty line.
constexpr char kRecordEnd[] =
    "-------------------------------------------------------------------------------\r\n\r\n";

char g_record[2 * kShortBytes + kFiles * kLineBytes + sizeof kRecordEnd];
char g_stderr[kShortBytes + kLineBytes];
alignas(16) char g_alt_stack[64 * 1024];

void WriteAll(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    const ssize_t written = write(fd, p, n);
    if (written <= 0) return;
    p += written;
    n -= static_cast<std::size_t>(written);
  }
}

void OnFatalSignal(int number) {
  const bool in_driver = t_inside_driver > 0;
  const SignalText* sig = nullptr;
  for (const SignalText& s : g_signals) {
    if (s.number == number) sig = &s;
  }
  const bool task = g_task.ready.load(std::memory_order_acquire);

  Out record{g_record, sizeof g_record};
  if (task && sig) {
    record.Add(g_task.head);
    record.Add(in_driver ? sig->line_in_driver : sig->line);
  }
  for (File& f : g_files) {
    if (f.state.load(std::memory_order_acquire) != kReady) continue;
    // Named only when this removed it: one already renamed into place or removed is not ours.
    if (unlink(f.path) == 0) record.Add(f.line);
  }
  if (task && sig && g_log_path[0] != '\0') {
    record.Add(kRecordEnd, sizeof kRecordEnd - 1);
    const int fd = open(g_log_path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0) WriteAll(fd, record.data, record.size);
  }

  Out line{g_stderr, sizeof g_stderr};
  line.Add("kelvax: ");
  if (task) {
    line.Add(g_task.who);
    line.Add(" ");
  }
  line.Add("ended abnormally on ");
  line.Add(sig ? sig->name : "a fatal signal");
  if (in_driver) line.Add(" inside the data source's driver");
  if (task) line.Add(g_stderr_tail);
  line.Add("\n");
  WriteAll(STDERR_FILENO, line.data, line.size);
  _exit(2);
}

}  // namespace

void InstallFatalSignalRecord(const std::string& log_path, LogBytes log_bytes) {
  if (g_installed) return;
  g_installed = true;
  g_log_bytes = std::move(log_bytes);
  if (log_path.size() < kPathBytes) std::memcpy(g_log_path, log_path.c_str(), log_path.size() + 1);
  g_stderr_tail.Set(ToTerminalText("; run log: " + log_path + " (code page 932)"));
  for (SignalText& s : g_signals) {
    s.line.Set(g_log_bytes(std::string(s.name) + "を受けました\r\n"));
    s.line_in_driver.Set(
        g_log_bytes("データソースのドライバーの中で" + std::string(s.name) + "を受けました\r\n"));
  }

  stack_t stack{};
  stack.ss_sp = g_alt_stack;
  stack.ss_size = sizeof g_alt_stack;
  // Without it a stack overflow ends the program with no record; everything else still has one.
  (void)sigaltstack(&stack, nullptr);
  struct sigaction action {};
  action.sa_handler = OnFatalSignal;
  // Nothing else runs in between, a stop request included. A fault inside the handler itself
  // meets the default action, as SA_RESETHAND has put it back.
  sigfillset(&action.sa_mask);
  action.sa_flags = SA_ONSTACK | SA_RESETHAND;
  for (const SignalText& s : g_signals) sigaction(s.number, &action, nullptr);
}

FatalSignalTask::FatalSignalTask(int number, const std::string& time_stamp) {
  if (!g_installed) return;
  g_task.ready.store(false, std::memory_order_release);
  g_task.head.Set(
      g_log_bytes(time_stamp + " " + std::to_string(number) + "番目の処理で異常終了しました\r\n"));
  g_task.who.Set("task " + std::to_string(number));
  g_task.ready.store(true, std::memory_order_release);
}

FatalSignalTask::~FatalSignalTask() { g_task.ready.store(false, std::memory_order_release); }

void UnfinishedFile::Register(const std::string& path) {
  Unregister();
  if (!g_installed || path.size() >= kPathBytes) return;
  for (int i = 0; i < kFiles; ++i) {
    File& f = g_files[i];
    int expected = kFree;
    if (!f.state.compare_exchange_strong(expected, kFilling, std::memory_order_acquire)) continue;
    std::memcpy(f.path, path.c_str(), path.size() + 1);
    f.line.Set(g_log_bytes("書きかけの出力ファイルは削除しました: " + path + "\r\n"));
    f.state.store(kReady, std::memory_order_release);
    slot_ = i;
    return;
  }
}

std::string RemoveUnfinishedFiles() {
  std::string lines;
  for (File& f : g_files) {
    int expected = kReady;
    // Taken, so that the run's thread cannot reuse the slot meanwhile.
    if (!f.state.compare_exchange_strong(expected, kFilling, std::memory_order_acquire)) continue;
    if (unlink(f.path) == 0) lines.append(f.line.data, f.line.size);
    f.state.store(kFree, std::memory_order_release);
  }
  return lines;
}

void UnfinishedFile::Unregister() {
  if (slot_ < 0) return;
  g_files[slot_].state.store(kFree, std::memory_order_release);
  slot_ = -1;
}

InsideDriver::InsideDriver() { t_inside_driver = t_inside_driver + 1; }
InsideDriver::~InsideDriver() { t_inside_driver = t_inside_driver - 1; }

}  // namespace kelvax
