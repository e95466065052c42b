#include "output/writer_run.h"

#include "engine/failure_text.h"
#include "engine/log_text.h"
#include "engine/password_mask.h"
#include "platform/time/clock.h"

namespace kelvax {

WriterRun::WriterRun(TaskContext& c, odbc::ResultSet& r) : context(c), result(r) {}

bool WriterRun::Fail(const Status& status) {
  const JobTask& t = context.task;
  std::string headline = " ";
  headline += std::to_string(rows);
  headline += "番目でファイルの出力に失敗しました";
  Status written = context.RecordFailure(headline, status, {MaskPassword(t.DSN01), t.SQL01});
  return written.ok() && !context.StopRequested();
}

bool WriterRun::FailLine(const Status& status) {
  if (!last_line_failure_.ok() && status.SameAs(last_line_failure_)) {
    ++repeated_line_failures_;
    return !stopped();
  }
  last_line_failure_ = status;
  return Fail(status);
}

bool WriterRun::WriteLine(LineSink& sink, std::string_view line) {
  return WriteLine(sink, {}, line, {});
}

bool WriterRun::WriteLine(LineSink& sink, std::string_view before, std::string_view line,
                          std::string_view after) {
  Status s = sink.WriteLine(before, line, after);
  return s.ok() || FailLine(s);
}

void WriterRun::Finish(LineSink& sink) {
  if (context.StopRequested()) {
    sink.Abandon();
    NoteAbandoned();
    return;
  }
  if (context.log.broken()) return;
  if (result_ended()) {
    // Rows read before the failure are kept for whoever wants them, never under the output's
    // name, where a short file would look whole.
    if (rows > 0) {
      RecordResultEnd(sink.Leave());
    } else {
      sink.Abandon();
      RecordResultEnd("");
    }
  } else if (Status s = sink.Close(); !s && !Fail(s)) {
    return;
  }
  if (repeated_line_failures_ > 0) {
    Status repeated = last_line_failure_.WithDescription(
        RecordText(last_line_failure_) + "（同じ失敗がほかに" +
        std::to_string(repeated_line_failures_) + "行ありました）");
    if (!Fail(repeated)) return;
  }
  NoteReplaced(sink.replaced());
  NoteRepaired(sink.repaired());
}

void WriterRun::NoteAbandoned() {
  context.LeaveBehind("書きかけの出力ファイルは削除しました（" + std::to_string(rows) +
                      "行目まで）: " + path);
}

bool WriterRun::Progress() {
  context.host.ShowProgress(rows, total, start, TimerSeconds());
  return !context.StopRequested();
}

void WriterRun::ResultEnded(const Status& status) {
  if (ended_by_.ok()) ended_by_ = status;
}

void WriterRun::RecordResultEnd(const std::string& kept) {
  if (ended_by_.ok()) return;
  const std::string what = kept.empty()
                               ? "（出力ファイルは書きませんでした）"
                               : "（結果を最後まで読めなかったため、" + std::to_string(rows) +
                                     "行目までの出力は書きかけのまま " + kept + " に残しました）";
  Fail(ended_by_.WithDescription(RecordText(ended_by_) + what));
}

bool WriterRun::stopped() { return context.MustStop(); }

namespace {

void NoteCount(TaskContext& context, const char* headline, std::size_t count,
               const char* what = "置き換えた文字数:") {
  if (count == 0) return;
  const JobTask& t = context.task;
  // A broken log is seen by the runner.
  (void)context.RecordCount(headline, what, count, {MaskPassword(t.DSN01), t.SQL01});
}

}  // namespace

void WriterRun::NoteReplaced(std::size_t count) {
  NoteCount(context, " シフトJISにない文字を?に置き換えました。", count);
}

void WriterRun::NoteRepaired(std::size_t count) {
  NoteCount(context, " データソースの文字列にUTF-8として正しくないバイトがあり、置き換えました。",
            count);
}

void WriterRun::NoteRounded(std::size_t count) {
  NoteCount(context, " 表計算ファイルの数値は有効数字16桁までのため、17桁目を丸めた値があります。",
            count, "丸めた値の数:");
}

bool NextRowAvailable(WriterRun& run) {
  bool at_end = true;
  Status s = run.result.AtEnd(at_end);
  if (!s) {
    run.ResultEnded(s);
    return false;
  }
  return !at_end;
}

bool AdvanceRow(WriterRun& run) {
  if (Status s = run.result.NextRow(); !s) run.ResultEnded(s);
  return !run.stopped();
}

}  // namespace kelvax
