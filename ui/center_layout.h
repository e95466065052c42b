// The command center's layout rule, as plain arithmetic in twips so that it can be checked with
// numbers. The window applies the result to its controls.
#pragma once

namespace kelvax::ui {

// What the layout sets, in twips; the initial values are the design geometry. Everything else
// in the window keeps its design place.
struct CenterGeometry {
  // The outer size (frame, title and menu bar included) the window must be given, or 0 to keep
  // it. A window made bigger this way gets a further resize, which lays the controls out.
  double window_width = 0, window_height = 0;

  double sql_width = 6855;            // T01_SetSQL
  double connect_frame_width = 6855;  // F01_OdbcCon
  double connect_width = 6615;        // T02_SetConnect
  double file_frame_width = 6855;     // F03_OutFile
  double file_width = 6615;           // T02_FileOut
  double end_left = 5760;             // B99_END

  double sql_height = 2415;      // T01_SetSQL
  double output_top = 3240;      // F02_OutPut
  double show_data_top = 3360;   // C01_ShowData
  double counter_top = 3720;     // C02_Counter
  double file_frame_top = 4320;  // F03_OutFile
  double buttons_top = 5040;     // B01_Kelvax and B99_END
};

constexpr double kCenterMinWidth = 6000, kCenterMinHeight = 4000;

// One size change: the width pass, then the height pass. Below the minimum a pass only asks for
// the minimum and leaves its controls as they were.
void FormResize(double outer_width, double outer_height, CenterGeometry& geometry);

}  // namespace kelvax::ui
