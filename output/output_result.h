// OutputResult: runs SQL01 on DSN01 and delivers the rows by OUTPUT: a TAB or CSV file, an
// HTML table file, the clipboard, or nothing ("OFF"). Every failing step becomes one four-line
// record and the writer goes on with its next step.
#pragma once

#include <string>

#include "engine/workers.h"

namespace kelvax {

TaskOutcome OutputResult(TaskContext& context);

}  // namespace kelvax
