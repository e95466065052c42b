#include "ui/clipboard_holder.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/fd.h"
#include "platform/fs/file_ops.h"

namespace kelvax::ui {

namespace {

// Holder answers, one byte each.
constexpr char kReady = 'R';    // connected to the display, waiting for the texts
constexpr char kOwned = 'K';    // owns the clipboard
constexpr char kRefused = 'N';  // the clipboard could not be taken

// The holder starts a Qt application; a loaded machine may take a while.
constexpr int kReadyTimeoutMs = 20000;
constexpr int kOwnedTimeoutMs = 20000;

bool SendAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool SendBlock(int fd, const std::string& bytes) {
  const std::uint64_t size = bytes.size();
  return SendAll(fd, reinterpret_cast<const char*>(&size), sizeof size) &&
         SendAll(fd, bytes.data(), bytes.size());
}

// One answer byte, or 0 on end of stream or time-out.
char Answer(int fd, int timeout_ms) {
  pollfd p{fd, POLLIN, 0};
  int r;
  do {
    r = poll(&p, 1, timeout_ms);
  } while (r < 0 && errno == EINTR);
  if (r <= 0) return 0;
  char c = 0;
  ssize_t n;
  do {
    n = recv(fd, &c, 1, 0);
  } while (n < 0 && errno == EINTR);
  return n == 1 ? c : 0;
}

bool ReadAll(int fd, char* data, size_t size) {
  while (size > 0) {
    ssize_t n = read(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool ReadBlock(int fd, std::string& bytes) {
  std::uint64_t size = 0;
  if (!ReadAll(fd, reinterpret_cast<char*>(&size), sizeof size)) return false;
  try {
    bytes.resize(size);
  } catch (const std::exception&) {
    return false;
  }
  return ReadAll(fd, bytes.data(), bytes.size());
}

void WriteAnswer(char c) {
  // A caller that cannot be told gives up after its time-out.
  (void)WriteFully(STDOUT_FILENO, std::string_view(&c, 1), "");
}

// Our environment, with the Qt platform this process runs on, so that the holder reaches the
// same display.
std::vector<std::string> HolderEnvironment() {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0) env.emplace_back(*e);
  }
  if (qApp) env.push_back("QT_QPA_PLATFORM=" + QGuiApplication::platformName().toStdString());
  return env;
}

// Starts the holder detached from this process (its own session, reparented when we exit),
// talking over `theirs`. Only async-signal-safe calls between fork and exec.
bool SpawnHolder(int theirs) {
  char exe[PATH_MAX];
  ssize_t len = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (len <= 0) return false;
  exe[len] = '\0';
  char* argv[] = {exe, const_cast<char*>(kHoldClipboardOption), nullptr};
  const std::vector<std::string> env = HolderEnvironment();
  std::vector<char*> envp;
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  return SpawnDetached(argv, envp.data(), theirs);
}

}  // namespace

HandOver HandToClipboardHolder(const std::string& text, const std::string& html) {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return HandOver::kCannotOpen;
  Fd ours(pair[0]), theirs(pair[1]);
  if (!SpawnHolder(theirs.get())) return HandOver::kCannotOpen;
  theirs.reset(-1);

  if (Answer(ours.get(), kReadyTimeoutMs) != kReady) return HandOver::kCannotOpen;
  if (!SendBlock(ours.get(), text) || !SendBlock(ours.get(), html)) return HandOver::kNotDelivered;
  shutdown(ours.get(), SHUT_WR);
  switch (Answer(ours.get(), kOwnedTimeoutMs)) {
    case kOwned:
      return HandOver::kDone;
    case kRefused:
      return HandOver::kCannotOpen;
    default:
      return HandOver::kNotConfirmed;
  }
}

int RunClipboardHolder() {
  int argc = 1;
  char name[] = "kelvax";
  char* argv[] = {name, nullptr};
  // A display that cannot be reached ends Qt here; the caller sees no answer.
  QGuiApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  WriteAnswer(kReady);

  std::string text, html;
  if (!ReadBlock(STDIN_FILENO, text) || !ReadBlock(STDIN_FILENO, html)) return 1;

  auto data = std::make_unique<QMimeData>();
  data->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  if (!html.empty()) {
    data->setHtml(QString::fromUtf8(html.data(), static_cast<qsizetype>(html.size())));
  }
  std::string().swap(text);
  std::string().swap(html);

  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setMimeData(data.release(), QClipboard::Clipboard);
  const bool owned = clipboard->ownsClipboard();
  WriteAnswer(owned ? kOwned : kRefused);
  if (const Fd null(open("/dev/null", O_RDWR | O_CLOEXEC)); null.get() >= 0) {
    dup2(null.get(), STDIN_FILENO);
    dup2(null.get(), STDOUT_FILENO);
  }
  if (!owned) return 1;

  // Serves paste requests until another program owns the clipboard.
  QObject::connect(clipboard, &QClipboard::changed, &app, [clipboard](QClipboard::Mode mode) {
    if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard()) QCoreApplication::quit();
  });
  return app.exec();
}

}  // namespace kelvax::ui
