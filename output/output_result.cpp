#include "output/output_result.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "engine/connect.h"
#include "engine/job_schema.h"
#include "engine/row_total.h"
#include "output/clipboard_output.h"
#include "output/html_output.h"
#include "output/text_output.h"
#include "output/xlsx_output.h"
#include "platform/fs/file_ops.h"
#include "platform/fs/resolve_path.h"
#include "platform/time/clock.h"

namespace kelvax {

namespace {

Status NotOpen() { return Status::Error(StatusCode::kObjectNotSet); }

// The count query's text as a 32-bit whole number (halves to even, as a whole-number
// conversion rounds).
Status ToRowTotal(const std::string& text, std::int32_t& total) {
  const char* begin = text.c_str();
  while (*begin == ' ') ++begin;
  char* end = nullptr;
  errno = 0;
  double value = std::strtod(begin, &end);
  if (end == begin) return Status::Error(StatusCode::kTypeMismatch);
  while (*end == ' ') ++end;
  if (*end != '\0' || std::isnan(value)) {
    return Status::Error(StatusCode::kTypeMismatch);
  }
  value = std::nearbyint(value);
  if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX) {
    return Status::Error(StatusCode::kOverflow);
  }
  total = static_cast<std::int32_t>(value);
  return Status::Ok();
}

}  // namespace

TaskOutcome OutputResult(TaskContext& context) {
  const JobTask& task = context.task;
  odbc::Environment env;
  odbc::Connection connection;
  odbc::ResultSet result;
  WriterRun run(context, result);

  // The clock for the progress display starts with the writer.
  run.start = TimerSeconds();
  run.path = ResolvePath(task.EXPORT);
  run.encoding = OutputEncodingOf(task.ENCODING);
  // A misspelt encoding fails the task before anything is run or written.
  if (run.encoding == OutputEncoding::kUnknown) {
    (void)run.Fail(
        Status::Error(StatusCode::kInvalidArgument, "ENCODING=" + task.ENCODING +
                                                        " は出力の文字コードではありません（" +
                                                        OutputEncodingList("、") + "）"));
    return context.outcome();
  }

  // Connect and execute; each failure is recorded and the writer goes on.
  if (Status s = env.Open(); !s && !run.Fail(s)) return context.outcome();
  if (Status s = OpenConnection(env, connection, task.DSN01, /*read_only=*/false);
      !s && !run.Fail(s)) {
    return context.outcome();
  }
  bool executed = false;
  if (!connection.is_open()) {
    if (!run.Fail(NotOpen())) return context.outcome();
  } else if (Status s = result.Execute(connection, task.SQL01); !s) {
    if (!run.Fail(s)) return context.outcome();
  } else {
    executed = true;
  }

  auto close_and_return = [&]() -> TaskOutcome {
    Status s = connection.is_open() ? connection.Close() : NotOpen();
    if (!s) run.Fail(s);
    env.Release();
    return context.outcome();
  };

  // OFF only executes: nothing is deleted, written, counted or opened.
  if (OutputKindOf(task.OUTPUT) == OutputKind::kOff) return close_and_return();
  // A statement without columns ends here; a failed column test goes on with the closing
  // actions it governs.
  if (!executed) {
    if (!run.Fail(NotOpen())) return context.outcome();
    return close_and_return();
  }
  if (result.ColumnCount() == 0) return close_and_return();

  // The row total for the progress display.
  if (!task.COUNTER.empty() && task.COUNTER != kSwitchOff) {
    std::string text = GetFieldValue(context, task.COUNTER, 0);
    if (context.log.broken()) return context.outcome();
    if (Status s = ToRowTotal(text, run.total); !s && !run.Fail(s)) return context.outcome();
  }
  // The old file goes first, whatever the kind, so no earlier run's output is left.
  if (FileExists(run.path) == -1) {
    if (Status s = RemoveFile(run.path); !s && !run.Fail(s)) return context.outcome();
  }
  run.last_column = result.ColumnCount() - 1;
  switch (OutputKindOf(task.OUTPUT)) {
    case OutputKind::kTab:
      WriteTextFile(run, Separator::kTab);
      break;
    case OutputKind::kCsv:
      WriteTextFile(run, Separator::kComma);
      break;
    case OutputKind::kClipboard:
      CopyResultToClipboard(run);
      break;
    case OutputKind::kHtml:
      WriteHtmlFile(run);
      break;
    case OutputKind::kExcel:
      WriteXlsxFile(run);
      break;
    case OutputKind::kOff:
    case OutputKind::kInsert:
    case OutputKind::kUpdate:
      break;  // routed elsewhere before a result is read
    case OutputKind::kUnknown:
      // A misspelt kind would otherwise end as a success that wrote nothing.
      run.Fail(Status::Error(StatusCode::kInvalidArgument,
                             "OUTPUT=" + task.OUTPUT + " は出力の種類ではありません（" +
                                 OutputWordList("、", OutputKind::kOff) + "）"));
      break;
  }
  // A finished output is not opened once a stop is pending; it is still finished.
  if (context.log.broken() || context.host.CutRequested()) return context.outcome();
  result.Close();
  // SHOWDATA opens the path for every kind that got this far.
  if (task.SHOWDATA == kSwitchOn) context.host.ShellOpen(run.path);
  return context.outcome();
}

}  // namespace kelvax
