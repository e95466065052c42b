#include "app/job_report.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/connect.h"
#include "engine/dispatch.h"
#include "engine/job_check.h"
#include "engine/job_schema.h"
#include "engine/log_text.h"
#include "engine/password_mask.h"
#include "platform/compress/compressor.h"
#include "platform/fs/resolve_path.h"
#include "platform/text/terminal_text.h"

namespace kelvax {

namespace {

constexpr size_t kRunWarnings = 50;  // enough to see the mistake, few enough for a cron mail

void Print(std::FILE* to, const std::string& utf8) {
  const std::string text = ToTerminalText(utf8);
  std::fwrite(text.data(), 1, text.size(), to);
}

// The first two lines of a record (headline; number and description), passwords masked.
std::string Headline(const std::string& record) {
  std::string out;
  size_t pos = 0;
  for (int line = 0; line < 2 && pos < record.size(); ++line) {
    size_t end = record.find("\r\n", pos);
    if (end == std::string::npos) end = record.size();
    out += "  " + MaskPassword(record.substr(pos, end - pos)) + "\n";
    pos = end + 2;
  }
  return out;
}

std::string Absolute(const std::string& path) {
  if (path.empty() || path.front() == '/') return path;
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) return path;
  return std::string(cwd) + "/" + path;
}

std::string Plural(int n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

void PrintTask(std::FILE* out, int number, const JobTask& t) {
  const Route route = RouteOf(t);
  std::string text = "task " + std::to_string(number) + " [" + t.SectionName + "]\n";
  auto field = [&](const char* name, const std::string& value) {
    if (!value.empty()) text += std::string("  ") + name + value + "\n";
  };
  const bool command =
      route != Route::kOutput && route != Route::kExport && route != Route::kUnsupported;
  if (command) {
    field("kind:      ", t.DSN01);
    field("argument:  ", t.SQL01);
    field("argument:  ", t.DSN02);
    field("argument:  ", t.SQL02);
  } else {
    field("kind:      ", t.OUTPUT.empty() ? std::string("(none)") : t.OUTPUT);
    field("connect:   ", MaskPassword(ResolveConnectPaths(t.DSN01)));
    field("statement: ", t.SQL01);
    if (t.COUNTER != kSwitchOff) field("count:     ", t.COUNTER);
    if (route == Route::kExport) {
      field("target:    ", MaskPassword(ResolveConnectPaths(t.DSN02)));
      field("insert:    ", t.SQL02);
    } else if (OutputKindOf(t.OUTPUT) == OutputKind::kClipboard) {
      field("output:    ", "the clipboard");
    } else if (OutputKindOf(t.OUTPUT) != OutputKind::kOff && route != Route::kUnsupported) {
      const std::string path = Absolute(ResolvePath(t.EXPORT));
      const Compression packed = CompressionOf(path);
      field("output:    ",
            packed == Compression::kNone ? path : path + " (" + CompressionName(packed) + ")");
      if (!t.ENCODING.empty()) field("encoding:  ", t.ENCODING);
    }
  }
  Print(out, text);
}

// A run shows the first `limit` warnings; --check shows them all.
void PrintWarnings(const std::string& job_path, const JobCheck& check, size_t limit,
                   std::FILE* err) {
  std::string text;
  for (size_t i = 0; i < check.warnings.size() && i < limit; ++i) {
    const JobWarning& w = check.warnings[i];
    const std::string where = w.line > 0 ? job_path + ":" + std::to_string(w.line) : job_path;
    text += "kelvax: " + where + ": warning: " + w.text + "\n";
  }
  if (check.warnings.size() > limit) {
    text += "kelvax: " + job_path + ": and " + std::to_string(check.warnings.size() - limit) +
            " more warnings (kelvax --check lists them all)\n";
  }
  Print(err, text);
}

// False (and the reason on err) when the job file cannot be read.
bool Readable(const std::string& job_path, const IniFile& job, std::FILE* err) {
  const int e = job.load_error();
  if (e == 0) return true;
  std::string why;
  if (e == ENOENT) {
    why = "does not exist";
  } else if (e == EISDIR) {
    why = "is a folder, not a file";
  } else {
    why = std::string("cannot be read: ") + std::strerror(e);
  }
  Print(err, "kelvax: the job file " + job_path + " " + why + "\n");
  return false;
}

}  // namespace

void PrintJobWarnings(const std::string& job_path, const IniFile& job, const std::tm& day,
                      std::FILE* err) {
  if (!Readable(job_path, job, err)) return;
  PrintWarnings(job_path, CheckJob(job, day, CurrentMacroFolders()), kRunWarnings, err);
}

int CheckJobFile(const std::string& job_path, const std::tm& day, std::FILE* out, std::FILE* err) {
  const IniFile job = IniFile::Load(job_path);
  if (!Readable(job_path, job, err)) return 1;
  const JobCheck check = CheckJob(job, day, CurrentMacroFolders());
  // The encoding is a guess where the bytes are valid in both; the listing shows which won.
  const char* encoding = job.encoding() == IniEncoding::kUtf8 ? "UTF-8" : "code page 932";
  Print(out, job_path + ": " + Plural(check.task_count < 0 ? 0 : check.task_count, "task") + " (" +
                 encoding + ")\n");
  for (size_t i = 0; i < check.tasks.size(); ++i)
    PrintTask(out, static_cast<int>(i) + 1, check.tasks[i]);
  std::fflush(out);
  PrintWarnings(job_path, check, check.warnings.size(), err);
  return check.warnings.empty() ? 0 : 1;
}

void PrintRunSummary(const RunResult& result, const RunLog& log, std::FILE* err) {
  if (result.ExitStatus() == 0 || result.log_failed) return;  // a broken log has its own line
  if (result.no_task) {
    Print(err, "kelvax: no task was run\n");  // the job's warnings have said why
    return;
  }
  std::string text;
  if (result.tasks_failed > 0) {
    text += "kelvax: " + std::to_string(result.tasks_failed) + " of " +
            Plural(result.tasks_run, "task") + " failed; the first failure:\n";
    text += log.first_failure().empty() ? "  (the clipboard could not be reached)\n"
                                        : Headline(log.first_failure());
  }
  if (result.fatal)
    text += "kelvax: the run ended with a fatal error:\n" + Headline(result.fatal_record);
  if (result.cut && result.finished_before_cut > 0) {
    text += "kelvax: the run was ended after task " + std::to_string(result.finished_before_cut) +
            " had finished\n";
  } else if (result.cut) {
    text += "kelvax: the run was ended before its last task\n";
  }
  // The log is code page 932, which terminals and grep do not read.
  const std::string show =
      log.path() == DefaultRunLogPath() ? "kelvax --show-log" : "kelvax --show-log " + log.path();
  text += "kelvax: run log: " + log.path() + " (code page 932; " + show + " prints it)\n";
  Print(err, text);
}

std::string FailureToShow(const RunResult& result, const RunLog& log) {
  if (result.cut) return "";
  if (result.log_failed) {
    return log.Mask("実行ログに書き込めませんでした。\r\n" + log.broken_status().description() +
                    "\r\n");
  }
  if (!log.first_failure().empty()) return log.first_failure();
  if (result.fatal) return log.Mask(result.fatal_record);
  return "";
}

}  // namespace kelvax
