// The well-known folders the job macros name.
#pragma once

#include <string>

#include "platform/status.h"

namespace kelvax {

// The user's desktop folder (XDG_DESKTOP_DIR from ~/.config/user-dirs.dirs, else $HOME/Desktop),
// without a trailing separator; empty when neither can be told.
std::string DesktopFolder();

// $TMPDIR, or /tmp, with exactly one trailing '/'.
std::string TempFolder();

// The folder of the running executable (from /proc/self/exe), without a trailing separator
// except at the root.
std::string ExecutableFolder();

// Where the program keeps its own files. A copied program keeps them beside itself when it may
// write there and no one else may (the folder is the user's and not writable by group or
// others); an installed one (in a folder it may not write, or in the folder it was installed
// to, which root may write) keeps them per user: $XDG_STATE_HOME/kelvax (default
// ~/.local/state/kelvax) and $XDG_CONFIG_HOME/kelvax (default ~/.config/kelvax). Nothing is
// created here; see MakeFolder.
struct ProgramFolders {
  std::string state;   // the run log SQLLOG.txt, the single-instance lock, %PATH%
  std::string config;  // RunConfig.ini and the command center's job file kelvax.ini
};
ProgramFolders CurrentProgramFolders();

// Creates `folder` and its missing parents (new ones with mode 0700). Ok when it is there and
// passes CheckOwnFolder.
Status MakeFolder(const std::string& folder);

// Ok when `folder` is missing, or is a folder owned by the user that neither group nor others
// may write; else an error naming it. Anyone else who may write there could plant links where
// the log, the lock and the settings go, or a job of their own.
Status CheckOwnFolder(const std::string& folder);

}  // namespace kelvax
