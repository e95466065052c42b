#include "output/writer_run.h"

#include "engine/log_text.h"
#include "platform/clock.h"

namespace kelvax {

WriterRun::WriterRun(TaskContext& c, odbc::ResultSet& r) : context(c), result(r) {}

bool WriterRun::Fail(const Status& status) {
  const JobTask& t = context.task;
  Status written = context.log.WriteFailure(
      TimeStamp() + " " + std::to_string(rows) + "番目でファイルの出力に失敗しました" + kCrLf +
      std::to_string(status.number()) + ":" + status.description() + kCrLf +
      MaskPassword(t.DSN01) + kCrLf + t.SQL01 + kCrLf);
  return written.ok() && !context.host.CutRequested();
}

bool WriterRun::Progress() {
  context.host.ShowProgress(rows, total, start, TimerSeconds());
  return !context.host.CutRequested();
}

bool WriterRun::stopped() const { return context.log.broken() || context.host.CutRequested(); }

void WriterRun::NoteReplaced(std::size_t count) {
  if (count == 0) return;
  const JobTask& t = context.task;
  context.log.WriteFailure(TimeStamp() + " シフトJISにない文字を?に置き換えました。" + kCrLf +
                           "置き換えた文字数:" + std::to_string(count) + kCrLf +
                           MaskPassword(t.DSN01) + kCrLf + t.SQL01 + kCrLf);
}

bool NextRowAvailable(WriterRun& run) {
  bool at_end = true;
  Status s = run.result.AtEnd(at_end);
  if (!s) {
    run.Fail(s);
    return false;
  }
  return !at_end;
}

}  // namespace kelvax
