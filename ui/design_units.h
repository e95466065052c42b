// The windows were designed in twips (1440 per inch) and points. These convert at the logical
// resolution of the screen a window is on: 15 twips per pixel at 96 dots per inch.
#pragma once

#include <QFont>
#include <QRect>

class QWidget;

namespace kelvax::ui {

// The logical dots per inch of the widget's screen (the primary screen before it is shown).
double LogicalDpi(const QWidget* widget);

int TwipsToPixels(double twips, double dpi);
QRect TwipsRect(double left, double top, double width, double height, double dpi);

// A design-time face (mapped by InstallFontSubstitutions) at `points`, fixed in pixels at
// `dpi` so that text keeps its place in the twips layout.
QFont DesignFont(const char* face, double points, double dpi, bool bold = false);

}  // namespace kelvax::ui
