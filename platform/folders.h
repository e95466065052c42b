// The well-known folders the job macros name.
#pragma once

#include <string>

namespace kelvax {

// The user's desktop folder (XDG_DESKTOP_DIR from ~/.config/user-dirs.dirs, else $HOME/Desktop),
// without a trailing separator; empty when neither can be told.
std::string DesktopFolder();

// $TMPDIR, or /tmp, with exactly one trailing '/'.
std::string TempFolder();

// The folder of the running executable (from /proc/self/exe), without a trailing separator
// except at the root.
std::string ExecutableFolder();

}  // namespace kelvax
