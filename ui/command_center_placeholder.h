// Stands in for the command center until it is built: says so, and closing it ends the program.
#pragma once

#include <QWidget>

namespace kelvax::ui {

class CommandCenterPlaceholder : public QWidget {
 public:
  explicit CommandCenterPlaceholder(QWidget* parent = nullptr);
};

}  // namespace kelvax::ui
