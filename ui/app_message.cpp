#include "ui/app_message.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

#include "ui/app_title.h"

namespace kelvax::ui {

void ShowAppMessage(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, AppTitle(), text, QMessageBox::Ok, parent);
  // A box for a short text is narrower than its title with the window manager's buttons beside
  // it, which cut the title to "Kel...": the box is made wide enough for both.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const QFontMetrics metrics(box.font());
    const int width = metrics.horizontalAdvance(box.windowTitle()) + 10 * metrics.height();
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  box.exec();
}

}  // namespace kelvax::ui
