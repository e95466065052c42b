// PENDING: see form_manual_pending.h.
#include "ui/form_manual_pending.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>
#include <cmath>

#include "ui/app_title.h"

namespace kelvax::ui {

void ShowAppMessage(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, AppTitle(), text, QMessageBox::Ok, parent);
  box.exec();
}

double LogicalDpi(const QWidget* widget) {
  QScreen* screen = widget ? widget->screen() : QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInch() : 96.0;
}

int TwipsToPixels(double twips, double dpi) { return static_cast<int>(std::lround(twips * dpi / 1440)); }

QRect TwipsRect(double left, double top, double width, double height, double dpi) {
  return QRect(TwipsToPixels(left, dpi), TwipsToPixels(top, dpi), TwipsToPixels(width, dpi),
               TwipsToPixels(height, dpi));
}

QFont DesignFont(const char* face, double points, double dpi, bool bold) {
  QFont font(QString::fromUtf8(face));
  font.setPixelSize(static_cast<int>(std::lround(points * dpi / 72)));
  font.setBold(bold);
  return font;
}

QString SelectConnection(QWidget*) { return QString(); }

void OpenSettingsDialog(QWidget*) {}

}  // namespace kelvax::ui
