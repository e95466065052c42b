// The two pictures of the progress window, drawn once at start-up.
#pragma once

#include <QImage>

namespace kelvax::ui {

// 315 x 161 pixels, white at the lower left shading to (51, 51, 153) at the upper right.
QImage BackgroundPicture();

// The progress bar: 1000 vertical lines from white to (1, 255, 1) over 332 pixels, 15 high. The
// bar's width, not the picture, shows the progress.
QImage ProgressBarPicture();

}  // namespace kelvax::ui
