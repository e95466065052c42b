// Finding a window's widgets, and answering the next modal dialog it opens, as the user would.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace kelvax::test {

// The child widget of `parent` named `name`; the test fails when there is none.
template <class T = QWidget>
T* Find(QWidget& parent, const char* name) {
  T* w = parent.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(w, nullptr) << name;
  return w;
}

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

// The next message box as "title|text|buttons|icon" in `seen`, answered with OK.
inline QTimer* AnswerNextMessage(QString& seen, QWidget* besides = nullptr) {
  return AnswerNextModal(
      [&seen](QWidget* w) {
        auto* box = static_cast<QMessageBox*>(w);
        seen = QStringLiteral("%1|%2|%3|%4")
                   .arg(box->windowTitle(), box->text())
                   .arg(box->buttons().size())
                   .arg(box->icon());
        box->button(QMessageBox::Ok)->click();
      },
      besides);
}

}  // namespace kelvax::test
