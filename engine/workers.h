// The table of task handlers the dispatch calls. app/ fills it; the runner does not know where
// the workers live. An empty entry accepts the task and does nothing.
#pragma once

#include <functional>

#include "engine/task_context.h"

namespace kelvax {

// A task handler: reads everything from the task, records its failures through the context and
// returns the outcome the context built.
using TaskHandler = std::function<TaskOutcome(TaskContext&)>;

struct Workers {
  TaskHandler OutputResult;
  TaskHandler ExportResult;
  TaskHandler CreateMdb97;
  TaskHandler CreateQuery97;
  TaskHandler RunQuery97;
  TaskHandler CompactMdb97;
  TaskHandler RunFileCopy;
};

}  // namespace kelvax
