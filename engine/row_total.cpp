#include "engine/row_total.h"

#include "engine/connect.h"
#include "engine/log_text.h"
#include "engine/value_text.h"
#include "platform/odbc/odbc.h"
#include "platform/time/clock.h"

namespace kelvax {

namespace {

Status ReadField(const std::string& dsn, const std::string& statement, int index,
                 std::string& value) {
  odbc::Environment env;
  if (Status s = env.Open(); !s) return s;
  odbc::Connection connection;
  if (Status s = OpenConnection(env, connection, dsn, /*read_only=*/true); !s) return s;
  odbc::ResultSet result;
  Status s = result.Execute(connection, statement);
  if (s) {
    bool at_end = false;
    s = result.AtEnd(at_end);
    if (s && at_end) s = Status::Error(StatusCode::kNoCurrentRow);
  }
  if (s && (index < 0 || index >= result.ColumnCount())) {
    s = Status::Error(StatusCode::kIndexOutOfRange);
  }
  if (s) {
    odbc::Value v;
    s = result.Get(index, v);
    if (s) AppendValueText(v, value);
  }
  result.Close();
  Status closed = connection.Close();
  return s ? closed : s;
}

}  // namespace

std::string GetFieldValue(TaskContext& context, const std::string& statement, std::int16_t index) {
  std::string value;
  Status s = ReadField(context.task.DSN01, statement, index, value);
  if (s) return value;
  // The record is kept, but a total only feeds the progress display: it does not make the task
  // fail, whose rows may all be written. A broken log is seen by the runner.
  std::string record =
      FailureRecord(" フィールド値を取得できませんでした。", s, {context.task.DSN01, statement});
  (void)context.log.WriteLog(record);
  return "0";
}

}  // namespace kelvax
