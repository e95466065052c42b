// Which worker performs a task, decided on DSN01 and OUTPUT alone.
#pragma once

#include "engine/workers.h"

namespace kelvax {

enum class Route {
  kEndRun,   // DSN01 empty
  kNothing,  // CREATEODBC
  kCreateMdb97,
  kCreateQuery97,
  kRunQuery97,
  kCompactMdb97,
  kFileCopy,
  kExport,       // OUTPUT INSERT
  kUnsupported,  // OUTPUT UPDATE
  kOutput,
};

Route RouteOf(const JobTask& task);

// Performs the task and sets `outcome` to how it ended. Returns false when the run must end
// here (DSN01 empty).
bool DispatchTask(TaskContext& context, const Workers& workers, TaskOutcome& outcome);

}  // namespace kelvax
