// The file-database and file-copy commands named in DSN01. Each logs its own failure as one
// record and returns; the first failing step ends the command. FILECOPY first removes what a
// killed copy onto the same destination left, with a record that names it (not a failure).
#pragma once

#include <string>

#include "engine/workers.h"

namespace kelvax {

TaskOutcome CreateMdb97(TaskContext& context);
TaskOutcome CreateQuery97(TaskContext& context);
TaskOutcome RunQuery97(TaskContext& context);
TaskOutcome CompactMdb97(TaskContext& context);
TaskOutcome RunFileCopy(TaskContext& context);

}  // namespace kelvax
