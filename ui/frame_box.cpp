#include "ui/frame_box.h"

#include <qdrawutil.h>

#include <QPainter>
#include <QStyle>

namespace kelvax::ui {

void FrameBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics(font());
  const int caption_width = title().isEmpty() ? 0 : metrics.horizontalAdvance(title()) + 4;
  const QRect caption(metrics.height() / 2, 0, caption_width, metrics.height());
  // An etched line, broken where the caption is. (The style's group-box frame cannot be had at
  // another height than below the caption.)
  painter.save();
  painter.setClipRegion(QRegion(rect()) - caption);
  qDrawShadeRect(&painter, rect().adjusted(0, metrics.height() / 2, 0, 0), palette(), true, 1, 0);
  painter.restore();
  style()->drawItemText(&painter, caption, Qt::AlignCenter | Qt::TextShowMnemonic, palette(),
                        isEnabled(), title(), QPalette::WindowText);
}

}  // namespace kelvax::ui
