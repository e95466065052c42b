#include "file_commands/file_commands.h"

#include <initializer_list>

#include "engine/log_text.h"
#include "platform/fs/atomic_file.h"
#include "platform/fs/file_copy.h"
#include "platform/fs/file_ops.h"
#include "platform/fs/resolve_path.h"
#include "platform/sqlite/file_database.h"

namespace kelvax {

namespace {

void Record(TaskContext& c, const char* headline, const Status& s,
            std::initializer_list<std::string_view> fields) {
  // A broken log is seen by the runner.
  (void)c.RecordFailure(headline, s, fields);
}

bool ContainsMdb(const std::string& s) {
  for (size_t i = 0; i + 4 <= s.size(); ++i) {
    if (s[i] == '.' && (s[i + 1] | 0x20) == 'm' && (s[i + 2] | 0x20) == 'd' &&
        (s[i + 3] | 0x20) == 'b') {
      return true;
    }
  }
  return false;
}

}  // namespace

TaskOutcome CreateMdb97(TaskContext& c) {
  const JobTask& t = c.task;
  std::string path = ResolvePath(t.SQL01);
  Status s;
  if (FileExists(path) == -1) s = RemoveFile(path);
  if (s) s = CreateFileDatabase(path);
  if (!s) Record(c, " ＭＤＢを作成できません。", s, {t.DSN01, t.SQL01});
  return c.outcome();
}

TaskOutcome CreateQuery97(TaskContext& c) {
  const JobTask& t = c.task;
  Status s = CreateStoredQuery(ResolvePath(t.SQL01), t.DSN02, t.SQL02);
  if (!s) Record(c, " クエリーを作成できません。", s, {t.DSN01, t.SQL01, t.DSN02, t.SQL02});
  return c.outcome();
}

TaskOutcome RunQuery97(TaskContext& c) {
  const JobTask& t = c.task;
  Status s = RunStoredQuery(ResolvePath(t.SQL01), t.DSN02);
  if (!s) Record(c, " クエリーを実行できません。", s, {t.DSN01, t.SQL01, t.SQL02});
  return c.outcome();
}

TaskOutcome CompactMdb97(TaskContext& c) {
  const JobTask& t = c.task;
  const std::string named = ContainsMdb(t.SQL01) ? t.SQL01 : t.SQL01 + ".mdb";
  const std::string source = ResolvePath(named);
  Status s = CompactFileDatabase(source);
  if (!s) Record(c, "", s, {t.DSN01, named});
  return c.outcome();
}

TaskOutcome RunFileCopy(TaskContext& c) {
  const JobTask& t = c.task;
  const std::string destination = ResolvePath(t.DSN02);
  for (const std::string& left : RemoveLeftovers(destination)) {
    std::string note =
        LogRecord(" 中断したコピーが残した一時ファイルを削除しました。", left, {t.DSN01, t.SQL01});
    (void)c.log.WriteLog(note);  // a broken log is seen by the runner
  }
  // A large copy stops between chunks when asked, and leaves the destination as it was.
  Status s =
      CopyFileReplacing(ResolvePath(t.SQL01), destination, [&c] { return c.StopRequested(); });
  if (!s) Record(c, "", s, {t.DSN01, t.SQL01});
  if (c.outcome().cut)
    c.LeaveBehind("書きかけのコピーは削除しました（コピー先は元のままです）: " + destination);
  return c.outcome();
}

}  // namespace kelvax
