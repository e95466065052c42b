// The desktop clipboard outlives the program: X11 and Wayland drop a selection when its owner
// exits, so the text is handed to a small process of our own (this executable started with
// kHoldClipboardOption) that owns the clipboard until another program takes it over.
#pragma once

#include <string>

namespace kelvax::ui {

inline constexpr char kHoldClipboardOption[] = "--hold-clipboard";

enum class HandOver {
  kDone,          // the holder owns the clipboard with the text
  kCannotOpen,    // no holder could reach the display, or it could not take the clipboard
  kNotDelivered,  // the holder started but the text could not be passed to it
  kNotConfirmed,  // the holder took the text but never said it owns the clipboard
};

// Starts a detached holder for `text` (plain text, UTF-8) and `html` (text/html, may be empty)
// and waits until it owns the clipboard.
HandOver HandToClipboardHolder(const std::string& text, const std::string& html);

// The holder process itself: reads the texts from standard input, answers on standard output,
// then serves the clipboard until it loses it. Returns the exit status.
int RunClipboardHolder();

}  // namespace kelvax::ui
