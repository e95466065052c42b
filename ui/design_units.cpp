#include "ui/design_units.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace kelvax::ui {

double LogicalDpi(const QWidget* widget) {
  QScreen* screen = widget ? widget->screen() : nullptr;
  if (!screen) screen = QGuiApplication::primaryScreen();
  const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
  return dpi > 0 ? dpi : 96.0;
}

int TwipsToPixels(double twips, double dpi) {
  return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

QRect TwipsRect(double left, double top, double width, double height, double dpi) {
  return QRect(TwipsToPixels(left, dpi), TwipsToPixels(top, dpi), TwipsToPixels(width, dpi),
               TwipsToPixels(height, dpi));
}

QFont DesignFont(const char* face, double points, double dpi, bool bold) {
  QFont font(QString::fromUtf8(face));
  font.setPixelSize(static_cast<int>(std::lround(points * dpi / 72.0)));
  font.setBold(bold);
  return font;
}

}  // namespace kelvax::ui
