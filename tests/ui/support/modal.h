// Answers the next modal dialog a window opens, as the user would.
#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace kelvax::test {

// Once a modal dialog other than `besides` is up, calls `answer` with it, which must close it.
// Deleting the returned timer gives up waiting.
inline QTimer* AnswerNextModal(std::function<void(QWidget*)> answer, QWidget* besides = nullptr) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, answer, besides] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog || dialog == besides) return;
    timer->deleteLater();
    timer->stop();
    answer(dialog);
  });
  timer->start(10);
  return timer;
}

}  // namespace kelvax::test
