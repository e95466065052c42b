// The program's message box: titled "Kelvax Ver3", one OK button, no icon, modal.
#pragma once

#include <QString>

class QWidget;

namespace kelvax::ui {

void ShowAppMessage(QWidget* parent, const QString& text);

}  // namespace kelvax::ui
