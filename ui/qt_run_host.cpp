#include "ui/qt_run_host.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWindow>
#include <ctime>

#include "platform/fs/file_ops.h"
#include "ui/app_message.h"
#include "ui/clipboard_holder.h"

namespace kelvax::ui {

namespace {

QString MemoryUnlockFailed() {
  return QString::fromUtf8("メモリのロックを解除できません\n処理が失敗しました");
}
QString CannotOpenClipboard() {
  return QString::fromUtf8("クリップボードを開くことができません\n処理が失敗しました");
}
QString CannotCloseClipboard() {
  return QString::fromUtf8("クリップボードを閉じることができません");
}

bool SetsLabels(std::int32_t rows, std::int32_t total) {
  return total < 1 || std::int64_t{rows} * 100 <= std::int64_t{total} * 99;
}

}  // namespace

QtRunHost::QtRunHost(FormAuto& form) : form_(form) {
  QObject::connect(&form_, &FormAuto::EndRequested,
                   [this](const QString& cause) { EndRequested(cause.toStdString()); });
}

void QtRunHost::SetTaskCounter(int task, int count) { form_.SetCounter(task, count); }

void QtRunHost::ShowProgressWindow() {
  if (cut_ || form_.isVisible()) return;
  form_.show();
  form_.raise();
  // The window system maps the window a moment after show(); a statement started before then
  // runs under a window that shows whatever was beneath it and cannot be dragged. Wait until it
  // is exposed (a window manager that never exposes it costs at most kExposeWait), then paint.
  QElapsedTimer waited;
  waited.start();
  QWindow* window = form_.windowHandle();
  while (window && !window->isExposed() && !cut_ &&
         waited.elapsed() < std::chrono::milliseconds(kExposeWait).count()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (!window->isExposed()) QThread::msleep(5);
  }
  if (!cut_) form_.repaint();
  Yield();
}

void QtRunHost::HideProgressWindow() {
  ApplyNotedRows();
  form_.hide();
}

void QtRunHost::ShowProgress(std::int32_t rows, std::int32_t total, double start, double now) {
  last_row_ = {rows, total, start, now, ++sequence_};
  if (SetsLabels(rows, total)) label_row_ = last_row_;
  if (NowNs() >= next_yield_ns_) Yield();
}

std::int64_t QtRunHost::NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  return std::int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

void QtRunHost::ApplyNotedRows() {
  // The label row is never newer than the last row; when older, it goes first.
  if (label_row_.sequence != 0 && label_row_.sequence < last_row_.sequence) {
    form_.ShowProgress(label_row_.rows, label_row_.total, label_row_.start, label_row_.now);
  }
  if (last_row_.sequence != 0) {
    form_.ShowProgress(last_row_.rows, last_row_.total, last_row_.start, last_row_.now);
  }
  label_row_.sequence = last_row_.sequence = 0;
}

void QtRunHost::Yield() {
  ApplyNotedRows();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  next_yield_ns_ = NowNs() + std::chrono::nanoseconds(kYieldInterval).count();
}

void QtRunHost::SetCommandCenterEnabled(bool enabled) {
  if (command_center_) command_center_->setEnabled(enabled);
}

void QtRunHost::ProcessEvents() { Yield(); }

Status QtRunHost::CopyToClipboard(const std::string& text, const std::string& html) {
  const HandOver result = HandToClipboardHolder(text, html);
  QString message;
  switch (result) {
    case HandOver::kDone:
      return Status::Ok();
    case HandOver::kCannotOpen:
      message = CannotOpenClipboard();
      break;
    case HandOver::kNotDelivered:
      message = MemoryUnlockFailed();
      break;
    case HandOver::kNotConfirmed:
      message = CannotCloseClipboard();
      break;
  }
  ShowClipboardMessage(message);
  // The run log keeps the message on one line.
  return Status::Error(StatusCode::kClipboard,
                       message.replace(QLatin1Char('\n'), QLatin1Char(' ')).toStdString());
}

void QtRunHost::ShellOpen(const std::string& path) { kelvax::ShellOpen(path); }

void QtRunHost::EndRequested(const std::string& cause) {
  if (!cut_) cut_cause_ = cause;
  cut_ = true;
  form_.hide();
}

void ShowClipboardMessage(const QString& text) { ShowAppMessage(nullptr, text); }

}  // namespace kelvax::ui
