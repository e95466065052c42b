#include "ui/form_pictures.h"

#include <QColor>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "ui/app_title.h"

namespace kelvax::ui {

QImage BackgroundPicture() {
  constexpr int kWidth = 315, kHeight = 161;
  const QColor far(51, 51, 153);
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      // 0 at the lower left corner, 1 at the upper right one.
      const double t = (double(x) / (kWidth - 1) + double(kHeight - 1 - y) / (kHeight - 1)) / 2;
      auto mix = [t](int to) { return static_cast<int>(std::lround(255 + (to - 255) * t)); };
      image.setPixel(x, y, qRgb(mix(far.red()), mix(far.green()), mix(far.blue())));
    }
  }
  return image;
}

QImage ProgressBarPicture() {
  constexpr int kLines = 1000;
  const int width = static_cast<int>(255 * 1.3) + 1;
  const int height = TwipsToPixels(230);
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  for (int g = 1; g <= kLines; ++g) {
    const double v = g / double(kLines) * 255;
    const int x = static_cast<int>(v * 1.3);
    const int red_blue = static_cast<int>(std::lround(v * (-255.0 / 256) + 255));
    const int green = std::min(255, static_cast<int>(v + 255));
    painter.setPen(QColor(red_blue, green, red_blue));
    painter.drawLine(x, 0, x, TwipsToPixels(270));
  }
  return image;
}

}  // namespace kelvax::ui
