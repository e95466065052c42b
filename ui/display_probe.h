// Whether windows can be shown at all. Qt ends the process when its platform plugin cannot reach
// a display, and an unattended run under cron has none, so the display is tried first.
#pragma once

#include <string>

namespace kelvax::ui {

// True when the X server named by DISPLAY accepts a connection. The connection stays open until
// ReleaseDisplayProbe(): an X server whose last client leaves resets, and refuses the next
// client meanwhile, which would end Qt's own connect.
bool X11DisplayAnswers();
// Closes the connection X11DisplayAnswers left open (call once Qt has connected).
void ReleaseDisplayProbe();
// True when the compositor named by WAYLAND_DISPLAY (or WAYLAND_SOCKET) accepts a connection.
bool WaylandDisplayAnswers();

// The value for QT_QPA_PLATFORM that reaches a display, or empty when none does. An explicit
// QT_QPA_PLATFORM is kept when its display answers (or it needs none, such as "offscreen"). X11
// comes first: the clipboard holder can own an X selection without a window.
std::string UsableQtPlatform();

}  // namespace kelvax::ui
