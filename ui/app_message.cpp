#include "ui/app_message.h"

#include <QMessageBox>

#include "ui/app_title.h"

namespace kelvax::ui {

void ShowAppMessage(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, AppTitle(), text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace kelvax::ui
