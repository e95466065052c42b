#include "engine/dispatch.h"

#include "engine/job_schema.h"
#include "platform/text/ascii_case.h"
#include "platform/time/clock.h"

namespace kelvax {

Route RouteOf(const JobTask& task) {
  // Command names in any case; a connect string never is one.
  const std::string dsn = UpperAscii(task.DSN01);
  if (dsn.empty()) return Route::kEndRun;
  if (dsn == "CREATEODBC") return Route::kNothing;
  if (dsn == "CREATEMDB97") return Route::kCreateMdb97;
  if (dsn == "CREATEQUERY97") return Route::kCreateQuery97;
  if (dsn == "RUNQUERY97") return Route::kRunQuery97;
  if (dsn == "COMPACTMDB97") return Route::kCompactMdb97;
  if (dsn == "FILECOPY") return Route::kFileCopy;
  const OutputKind kind = OutputKindOf(task.OUTPUT);
  if (kind == OutputKind::kInsert) return Route::kExport;
  if (kind == OutputKind::kUpdate) return Route::kUnsupported;
  return Route::kOutput;
}

bool DispatchTask(TaskContext& context, const Workers& workers, TaskOutcome& outcome) {
  const TaskHandler* handler = nullptr;
  switch (RouteOf(context.task)) {
    case Route::kEndRun:
      return false;
    case Route::kNothing:
      outcome = context.outcome();
      return true;
    case Route::kCreateMdb97:
      handler = &workers.CreateMdb97;
      break;
    case Route::kCreateQuery97:
      handler = &workers.CreateQuery97;
      break;
    case Route::kRunQuery97:
      handler = &workers.RunQuery97;
      break;
    case Route::kCompactMdb97:
      handler = &workers.CompactMdb97;
      break;
    case Route::kFileCopy:
      handler = &workers.RunFileCopy;
      break;
    case Route::kExport:
      handler = &workers.ExportResult;
      break;
    case Route::kOutput:
      handler = &workers.OutputResult;
      break;
    case Route::kUnsupported: {
      std::string message = TimeStamp() + "このバージョンでは対応していません";
      (void)context.log.WriteLog(message);  // a broken log is seen by the runner
      outcome = context.outcome();
      return true;
    }
  }
  outcome = handler && *handler ? (*handler)(context) : context.outcome();
  return true;
}

}  // namespace kelvax
