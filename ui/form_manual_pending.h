// PENDING: stand-ins for the settings branch's message box, design units, data-source dialog
// and settings dialog, with their signatures, until that branch is merged. Delete this file and
// its .cpp then, and include ui/app_message.h, ui/design_units.h, ui/data_source_dialog.h and
// ui/sql_config.h instead.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QWidget;

namespace kelvax::ui {

void ShowAppMessage(QWidget* parent, const QString& text);
double LogicalDpi(const QWidget* widget);
int TwipsToPixels(double twips, double dpi);
QRect TwipsRect(double left, double top, double width, double height, double dpi);
QFont DesignFont(const char* face, double points, double dpi, bool bold = false);
QString SelectConnection(QWidget* parent);
// Opens SQLConfig without owner and not modal; it disables `command_center` while open.
void OpenSettingsDialog(QWidget* command_center);

}  // namespace kelvax::ui
