#include "engine/runner.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "engine/dispatch.h"
#include "engine/job_file.h"
#include "engine/job_schema.h"
#include "engine/log_text.h"
#include "engine/macros.h"
#include "platform/process/fatal_signal.h"
#include "platform/process/stop_signal.h"
#include "platform/time/clock.h"

namespace kelvax {

namespace {

constexpr double kSecondsPerDay = 86400.0;

std::string TwoDigits(long v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%02ld", v);
  return buf;
}

std::string FatalText(const Status& error, const JobTask& t) {
  std::string text = FailureRecord(" 致命的なエラーです。", error, {});
  for (JobKey key : kRecordOrder) text += JobField(t, key) + kCrLf;
  return text;
}

// The task's passwords, as read and as expanded, are masked in every later record.
void KeepSecrets(RunLog& log, const JobTask& t) {
  log.AddSecretsOf(t.DSN01);
  log.AddSecretsOf(t.DSN02);
}

// The one record of a run ended from outside: the task, the cause, and what the task left.
std::string CutHeadline(int task_number) {
  return " " + std::to_string(task_number) + "番目の処理で実行を打ち切りました" + kCrLf;
}

// A task that finished while the stop was pending (its statement executed, its file complete)
// is not reported as cut: the stop took effect after it.
std::string FinishedHeadline(int task_number) {
  return " " + std::to_string(task_number) + "番目の処理を終えたところで実行を打ち切りました" +
         kCrLf;
}

// `host_cause`: the host's words for how it ended the run (which window), if it has its own.
void WriteCutRecord(RunLog& log, const std::string& headline, const std::string& left_behind,
                    const std::string& host_cause) {
  const std::string signal = StopSignalName();
  const std::string cause = !signal.empty()      ? signal + "を受けました"
                            : !host_cause.empty() ? host_cause
                                                  : std::string("進行状況ウィンドウから終了しました");
  std::string text = TimeStamp() + headline + cause + kCrLf;
  if (!left_behind.empty()) text += left_behind + kCrLf;
  // Written here: the watchdog that ends a run stuck past a stop request only ends the program.
  PrepareStopRecord(log.path(), "");
  (void)log.WriteFailure(text);  // the run ends anyway; nothing is left to tell
}

// The record a stuck run leaves when the watchdog ends it during task `task_number`.
void PrepareWatchdogRecord(const RunLog& log, int task_number) {
  PrepareStopRecord(log.path(),
                    log.RecordBytes(std::string(1, kStopTimeMark) + CutHeadline(task_number) +
                                    kStopSignalMark + "を受けました" + kCrLf + kStopFilesMark));
}

}  // namespace

int RunResult::ExitStatus() const {
  if (fatal || log_failed || cut) return 2;
  if (task_failed) return 1;
  return 0;
}

std::string FormatElapsed(double start, double now) {
  double d = now - start;
  if (d < 0) d += kSecondsPerDay;  // the timer restarts at midnight
  // Rounded once, so that 59.6 s reads 00:01:00 and never 00:00:00.
  long total = static_cast<long>(std::nearbyint(d));
  return TwoDigits(total / 3600 % 60) + ":" + TwoDigits(total / 60 % 60) + ":" +
         TwoDigits(total % 60);
}

RunResult RunJobFile(const std::string& job_path, JobTask& task, RunLog& log,
                     const Workers& workers, RunHost& host, const std::tm* macro_day) {
  return RunJobFile(job_path, IniFile::Load(job_path), task, log, workers, host, macro_day);
}

RunResult RunJobFile(const std::string& /*job_path*/, const IniFile& file, JobTask& task,
                     RunLog& log, const Workers& workers, RunHost& host, const std::tm* macro_day) {
  RunResult result;
  log.ResetRun();
  const double start = TimerSeconds();
  host.SetCommandCenterEnabled(false);

  std::string buffer;
  Status error;
  bool ended_early = false;  // DSN01 empty after a task, a broken log or a cut: no end record
  const MacroFolders folders = CurrentMacroFolders();

  int n = 0;
  error = GetIniList(file, n);
  for (int i = 1; error.ok() && i <= n; ++i) {
    host.SetTaskCounter(i, n);
    host.ProcessEvents();
    if (host.CutRequested()) {
      result.cut = ended_early = true;
      WriteCutRecord(log, CutHeadline(i), "この処理はまだ始めていません", host.CutCause());
      break;
    }

    ReadJobTask(file, i, task);
    KeepSecrets(log, task);
    PrepareRowCount(task);
    ExpandMacros(task, macro_day ? *macro_day : LocalNow(), folders);
    KeepSecrets(log, task);
    if (task.INDICATOR == kSwitchOn) host.ShowProgressWindow();

    TaskContext context{task, log, host};
    PrepareWatchdogRecord(log, i);
    TaskOutcome outcome;
    bool go_on = true;
    {
      const FatalSignalTask crash_record(i, TimeStamp());
      try {
        go_on = DispatchTask(context, workers, outcome);
      } catch (const std::bad_alloc&) {
        error = Status::Error(StatusCode::kOutOfMemory);
      } catch (const std::exception& e) {
        error = Status::Error(StatusCode::kUnexpected, e.what());
      }
    }
    if (go_on) ++result.tasks_run;
    if (outcome.failures > 0) ++result.tasks_failed;
    if (!go_on || log.broken() || host.CutRequested()) {
      result.cut = host.CutRequested();
      if (result.cut && !log.broken()) {
        const bool finished = go_on && !outcome.cut && error.ok();
        if (finished) result.finished_before_cut = i;
        WriteCutRecord(log, finished ? FinishedHeadline(i) : CutHeadline(i), outcome.left_behind,
                       host.CutCause());
      }
      ended_early = true;
      break;
    }
    if (!error.ok()) break;

    buffer = TimeStamp() + " " + kCrLf + std::to_string(i) + "番目は" +
             FormatElapsed(start, TimerSeconds()) + "経過しています" + kCrLf;
    if (!log.WriteLog(buffer)) {
      ended_early = true;
      break;
    }
  }

  // Past the tasks, a stuck run is only ended.
  PrepareStopRecord(log.path(), "");
  host.SetCommandCenterEnabled(true);
  host.HideProgressWindow();

  // A job that runs no task (a task count of 0, or a first task without DSN01) did nothing it
  // was started for: a scheduler must see a failed run, not a quiet success.
  if (error.ok() && result.tasks_run == 0 && !result.cut && !log.broken()) {
    error = Status::Error(StatusCode::kInvalidArgument, "実行した処理がありません。");
    result.no_task = true;
    ended_early = false;
  }

  if (!ended_early) {
    if (!error.ok()) {
      buffer = FatalText(error, task);
      result.fatal = true;
      result.fatal_record = buffer;
    }
    buffer += FormatElapsed(start, TimerSeconds()) + "かかりました" + kCrLf;
    (void)log.WriteLog(buffer);  // a broken log shows in log_failed below
  }
  result.log_failed = log.broken();
  result.task_failed = log.failure_written();
  return result;
}

}  // namespace kelvax
