#include "app/headless_host.h"

#include "engine/runner.h"
#include "platform/fs/file_ops.h"

namespace kelvax {

namespace {

// Often enough to look alive, rarely enough to cost nothing.
constexpr std::chrono::milliseconds kPrintInterval{200};

}  // namespace

HeadlessHost::HeadlessHost(bool desktop, bool terminal, std::FILE* out)
    : desktop_(desktop), terminal_(terminal), out_(out) {}

void HeadlessHost::SetTaskCounter(int task, int count) {
  task_ = std::to_string(task) + "/" + std::to_string(count);
  rows_ = total_ = 0;
}

void HeadlessHost::ShowProgressWindow() {
  if (windows_missing_ && !said_missing_) {
    std::fputs("kelvax: the windows are not installed (package kelvax-gui); running without them\n",
               stderr);
    said_missing_ = true;
  }
  if (terminal_) showing_ = true;
}

void HeadlessHost::HideProgressWindow() {
  if (!showing_) return;
  if (printed_) {
    PrintProgress();
    std::fputc('\n', out_);
    std::fflush(out_);
  }
  showing_ = printed_ = false;
}

void HeadlessHost::ShowProgress(std::int32_t rows, std::int32_t total, double start, double now) {
  if (!showing_) return;
  rows_ = rows;
  total_ = total;
  start_ = start;
  now_ = now;
  const auto clock = std::chrono::steady_clock::now();
  if (clock < next_print_) return;
  next_print_ = clock + kPrintInterval;
  PrintProgress();
}

void HeadlessHost::PrintProgress() {
  std::string rows = std::to_string(rows_);
  if (total_ > 0) {
    rows.push_back('/');
    rows += std::to_string(total_);
  }
  // \r returns to the line's start, ESC [ K clears what a longer line left.
  std::fprintf(out_, "\rkelvax: task %s  rows %s  %s\033[K", task_.c_str(), rows.c_str(),
               FormatElapsed(start_, now_).c_str());
  std::fflush(out_);
  printed_ = true;
}

Status HeadlessHost::CopyToClipboard(const std::string&, const std::string&) {
  const std::string message = "クリップボードを開くことができません 処理が失敗しました";
  if (printed_) std::fputc('\n', out_);  // the message starts a line of its own
  printed_ = false;
  std::fprintf(stderr, "kelvax: %s (%s)\n", message.c_str(),
               windows_missing_ ? "the windows are not installed" : "no display");
  return Status::Error(StatusCode::kClipboard, message);
}

void HeadlessHost::ShellOpen(const std::string& path) {
  if (desktop_) kelvax::ShellOpen(path);
}

}  // namespace kelvax
