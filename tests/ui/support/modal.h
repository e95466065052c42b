// Answers the next modal dialog a window opens, as the user would, so that a test can press a
// button or pick a menu entry that shows one.
#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace kelvax::test {

// Once a modal dialog other than `besides` is up, calls `answer` with it; the answer must close
// it. The returned timer may be deleted to give up waiting.
inline QTimer* AnswerNextModal(std::function<void(QWidget*)> answer, QWidget* besides = nullptr) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, answer, besides] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog && dialog != besides) {
      timer->stop();
      timer->deleteLater();
      answer(dialog);
    }
  });
  timer->start(10);
  return timer;
}

}  // namespace kelvax::test
