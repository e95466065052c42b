// ExportResult: copies every row of SQL01 on DSN01 into DSN02, one INSERT statement per row
// built from the head SQL02. Rows are committed in groups where the target has transactions;
// a failing row is recorded and the rows after it are still inserted.
#pragma once

#include <string>

#include "engine/workers.h"

namespace kelvax {

TaskOutcome ExportResult(TaskContext& context);

}  // namespace kelvax
