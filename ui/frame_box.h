// A frame as the designs have it: its border runs through the middle of its caption, so the
// controls placed 240 twips below its top sit inside it (the toolkit's own group box draws the
// border below the caption, through them).
#pragma once

#include <QGroupBox>

namespace kelvax::ui {

class FrameBox : public QGroupBox {
 public:
  FrameBox(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace kelvax::ui
