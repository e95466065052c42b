#include "ui/center_layout.h"

namespace kelvax::ui {

void FormResize(double w, double h, CenterGeometry& g) {
  g.window_width = g.window_height = 0;
  if (w < kCenterMinWidth) {
    g.window_width = kCenterMinWidth;
  } else {
    g.sql_width = w - 360;
    g.connect_frame_width = w - 360;
    g.connect_width = w - 600;
    g.file_frame_width = w - 360;
    g.file_width = w - 600;
    g.end_left = w - 1575;
  }
  if (h < kCenterMinHeight) {
    g.window_height = kCenterMinHeight;
  } else {
    g.sql_height = h - 3750;
    g.output_top = h - 2925;
    g.show_data_top = h - 2825;
    g.counter_top = h - 2445;
    g.file_frame_top = h - 1845;
    g.buttons_top = h - 1125;
  }
}

}  // namespace kelvax::ui
