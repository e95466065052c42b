#include "export/export_result.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/connect.h"
#include "engine/job_schema.h"
#include "engine/log_text.h"
#include "engine/password_mask.h"
#include "engine/row_total.h"
#include "export/insert_statement.h"
#include "export/row_spill.h"
#include "platform/odbc/odbc.h"
#include "platform/time/clock.h"

namespace kelvax {

namespace {

// Rows per transaction: large enough that commits stop dominating, small enough that a group
// replayed row by row after a failure stays quick.
constexpr std::size_t kGroupRows = 2000;
// Statements per round trip where the target takes several in one text: a round trip per row
// is what costs most on a server.
constexpr std::size_t kBatchRows = 100;

// A lost connection (SQLSTATE class 08) fails every later statement in the same way: it gets
// its record and the export ends, instead of one record for each row still to come.
bool ConnectionLost(const Status& s) { return s.sqlstate().rfind("08", 0) == 0; }

// A target another writer holds locked, once the driver has waited its timeout for it: no fault
// of the row, and every later row would wait again. SQLite's busy and locked codes, the MySQL
// family's lock wait timeout, PostgreSQL's lock not available.
bool TargetLocked(const Status& s, odbc::Dbms dbms) {
  if (!s.Is(StatusCode::kNative)) return false;
  switch (dbms) {
    case odbc::Dbms::kSqlite:
      return s.native() == 5 || s.native() == 6;
    case odbc::Dbms::kMysql:
      return s.native() == 1205;
    case odbc::Dbms::kPostgres:
      return s.sqlstate() == "55P03";
    case odbc::Dbms::kOther:
      return false;
  }
  return false;
}

// The file of a SQLite connection's main database ("" when there is none or it cannot be
// read): PRAGMA database_list's third column.
std::string SqliteFile(odbc::Connection& connection) {
  if (connection.dbms() != odbc::Dbms::kSqlite) return "";
  odbc::ResultSet list;
  bool at_end = true;
  odbc::Value file;
  if (!list.Execute(connection, "PRAGMA database_list").ok() || !list.AtEnd(at_end).ok() ||
      at_end || !list.Get(2, file).ok() || file.kind != odbc::Value::Kind::kText) {
    return "";
  }
  return std::string(file.bytes);
}

// Whether source and target are one SQLite file: the source's read would hold it against every
// write of the target.
bool OneSqliteFile(odbc::Connection& source, odbc::Connection& target) {
  const std::string a = SqliteFile(source), b = SqliteFile(target);
  struct stat sa, sb;
  return !a.empty() && !b.empty() && stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 &&
         sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

class Exporter {
 public:
  explicit Exporter(TaskContext& c) : context_(c), task_(c.task) {}

  void Run();

 private:
  // Copies every row of `rows` (a result, or the rows spilled from one); the number read.
  template <class Rows>
  std::int32_t CopyRows(Rows& rows, const std::vector<InsertColumn>& kinds,
                        const LiteralTarget& target, std::int32_t total, double start);

  // The seven-line record. Returns false when the export must end at once: the log is broken,
  // the connection lost or the target locked (ended_ is then set). A stop request is not such a
  // reason: the rows already read are put in or recorded first.
  bool Fail(const Status& s);
  // The record of a failure on the source's side (a value or a fetch): the rows read before it
  // still go in, so only a broken log ends the export. Returns false then.
  bool FailSource(const Status& s);
  // The open group is undone and the export ends with the record of `s`: the target holds none
  // of the group's rows.
  bool FailLocked(const Status& s);
  // Executes one row's statement, in the open group when there is one.
  bool Insert(std::string statement);
  // Commits the open group; a group whose commit fails is rolled back and replayed row by row.
  bool CommitGroup();
  bool ReplayGroup();
  bool RestoreGroup();
  // Sends the pending statements of a batch target in one text.
  bool SendBatch();

  TaskContext& context_;
  const JobTask& task_;
  odbc::Connection target_;
  bool grouped_ = false;  // autocommit is off on the target
  bool batches_ = false;  // several rows go in one text
  // ...as one INSERT with several rows after VALUES, which every known server takes; else as
  // several statements, where the target runs them.
  bool multirow_ = false;
  std::vector<std::string> group_;    // the statements of the open group, sent
  std::vector<std::string> pending_;  // statements of the next batch, not yet sent
  std::string batch_text_;            // the text a batch is sent as, its room kept between batches
  bool ended_ = false;                // a failure ended the export
};

bool Exporter::Fail(const Status& s) {
  ended_ = !FailSource(s) || ConnectionLost(s) || TargetLocked(s, target_.dbms());
  return !ended_;
}

bool Exporter::FailSource(const Status& s) {
  Status written = context_.RecordFailure(
      " データの挿入に失敗しました。", s,
      {"接続先は" + MaskPassword(task_.DSN01), "接続先は" + MaskPassword(task_.DSN02),
       "発行したＳＱＬは" + task_.SQL01, "発行したＳＱＬは" + task_.SQL02, "が不明です"});
  if (!written.ok()) ended_ = true;
  return written.ok();
}

bool Exporter::FailLocked(const Status& s) {
  (void)target_.Rollback();  // a failed rollback changes nothing: the export ends
  group_.clear();
  pending_.clear();
  return Fail(s);
}

bool Exporter::Insert(std::string statement) {
  if (batches_) {
    pending_.push_back(std::move(statement));
    return pending_.size() < kBatchRows || SendBatch();
  }
  Status s = target_.ExecuteDirect(statement);
  if (!grouped_) return s.ok() || Fail(s);
  if (!s && TargetLocked(s, target_.dbms())) return FailLocked(s);
  if (s) {
    group_.push_back(std::move(statement));
    return group_.size() < kGroupRows || CommitGroup();
  }
  // Some targets abort the whole transaction on one error: the rows before the failing one
  // are undone and go in again as a group, and the failing row gets its record.
  return RestoreGroup() && Fail(s);
}

// Undoes the open transaction and puts the group's rows in again, committed; false when the
// export must end.
bool Exporter::RestoreGroup() {
  // A failed rollback shows in the statements that follow.
  (void)target_.Rollback();
  for (const std::string& earlier : group_) {
    if (!target_.ExecuteDirect(earlier).ok()) return ReplayGroup();
  }
  return CommitGroup();
}

// A batch counts only when every row was reported inserted. Otherwise the open group is
// undone, its earlier rows go in again, and each statement of the batch is run on its own, so
// that exactly the failing rows get their records. A batch whose statements all go in one by
// one shows a target that cannot take batches: the rest of the export sends single statements.
bool Exporter::SendBatch() {
  if (pending_.empty()) return true;
  std::string& text = batch_text_;
  text.clear();
  if (multirow_) {
    // Each statement is the head, " VALUES ", then its row in parentheses.
    const std::size_t head = task_.SQL02.size() + std::strlen(" VALUES ");
    for (const std::string& statement : pending_) {
      text.append(text.empty() ? std::string_view(statement).substr(0, head) : ", ");
      text.append(statement, head);
    }
  } else {
    for (const std::string& statement : pending_) {
      if (!text.empty()) text += ";\n";
      text += statement;
    }
  }
  std::vector<long> counts;
  Status s = target_.ExecuteBatch(text, counts);
  const bool whole =
      s.ok() &&
      (multirow_ ? counts.size() == 1 && counts[0] == static_cast<long>(pending_.size())
                 : counts.size() == pending_.size() &&
                       std::all_of(counts.begin(), counts.end(), [](long n) { return n == 1; }));
  if (whole) {
    for (std::string& statement : pending_) group_.push_back(std::move(statement));
    pending_.clear();
    return group_.size() < kGroupRows || CommitGroup();
  }
  if (TargetLocked(s, target_.dbms())) return FailLocked(s);
  std::vector<std::string> batch;
  batch.swap(pending_);
  if (!RestoreGroup()) return false;
  bool all_went_in = true;
  for (const std::string& statement : batch) {
    Status e = target_.ExecuteDirect(statement);
    if (e) e = target_.Commit();
    if (!e) {
      (void)target_.Rollback();  // the row's own failure is the one recorded
      all_went_in = false;
      if (!Fail(e)) return false;
    }
  }
  if (all_went_in) batches_ = false;
  return true;
}

bool Exporter::CommitGroup() {
  if (!grouped_ || group_.empty()) return true;
  if (Status s = target_.Commit(); !s) {
    return TargetLocked(s, target_.dbms()) ? FailLocked(s) : ReplayGroup();
  }
  group_.clear();
  return true;
}

// The group is undone and its rows run again one at a time in autocommit, so that exactly the
// failing rows are recorded and every other row is kept.
bool Exporter::ReplayGroup() {
  // A failed rollback shows in the statements that follow.
  (void)target_.Rollback();
  bool go_on = true;
  if (Status s = target_.SetAutoCommit(true); !s) {
    grouped_ = false;
    go_on = Fail(s);
  }
  for (const std::string& statement : group_) {
    if (!go_on) break;
    Status s = target_.ExecuteDirect(statement);
    if (!s) go_on = Fail(s);
  }
  group_.clear();
  if (grouped_ && !target_.SetAutoCommit(false).ok()) grouped_ = false;
  return go_on;
}

template <class Rows>
std::int32_t Exporter::CopyRows(Rows& rows, const std::vector<InsertColumn>& kinds,
                                const LiteralTarget& target, std::int32_t total, double start) {
  const int columns = static_cast<int>(kinds.size());
  std::int32_t row = 0;
  odbc::Value value;
  std::string statement;
  statement.reserve(4096);
  while (true) {
    bool at_end = true;
    if (Status e = rows.AtEnd(at_end); !e) {
      FailSource(e);
      break;
    }
    if (at_end) break;
    ++row;
    BeginInsert(statement, task_.SQL02);
    Status value_status;
    for (int c = 0; c < columns && value_status.ok(); ++c) {
      value_status = rows.Get(c, value);
      if (value_status) value_status = AppendInsertValue(statement, value, kinds[c], target);
    }
    if (!value_status) {
      // A row whose values cannot be read or written safely is refused, and the copy goes on.
      if (!FailSource(value_status) || ConnectionLost(value_status)) break;
    } else {
      EndInsert(statement);
      if (!Insert(statement)) break;
    }
    if (Status a = rows.NextRow(); !a) {
      FailSource(a);  // the rows read before it still go in
      break;
    }
    context_.host.ShowProgress(row, total, start, TimerSeconds());
    if (context_.StopRequested()) break;
  }
  return row;
}

void Exporter::Run() {
  const double start = TimerSeconds();
  std::int32_t total = 0;

  odbc::Environment source_env, target_env;
  odbc::Connection source;
  odbc::ResultSet result;
  Status s = source_env.Open();
  if (s) s = OpenConnection(source_env, source, task_.DSN01, /*read_only=*/false);
  if (s) s = result.Execute(source, task_.SQL01);
  if (!s) {
    Fail(s);
    return;
  }
  s = target_env.Open();
  if (s) s = OpenConnection(target_env, target_, task_.DSN02, /*read_only=*/false);
  if (!s) {
    Fail(s);
    return;
  }

  if (!task_.COUNTER.empty() && task_.COUNTER != kSwitchOff) {
    std::string text = GetFieldValue(context_, task_.COUNTER, 0);
    if (context_.log.broken()) return;
    long long n = std::strtoll(text.c_str(), nullptr, 10);
    total = (n > INT32_MAX || n < INT32_MIN) ? 0 : static_cast<std::int32_t>(n);
  }

  // Literals are written the way this target reads them; several statements go in one text
  // only where that way is known, so that no value can reach past its own statement.
  const odbc::DriverProfile& profile = target_.profile();
  if (target_.SupportsTransactions() && target_.SetAutoCommit(false).ok()) grouped_ = true;
  multirow_ = grouped_ && profile.literals_known && profile.dbms != odbc::Dbms::kOther;
  batches_ = multirow_ || (grouped_ && profile.literals_known && target_.SupportsBatches());

  const int columns = result.ColumnCount();
  std::vector<InsertColumn> kinds(columns);
  for (int c = 0; c < columns; ++c) kinds[c] = InsertColumnOf(result, c);
  const LiteralTarget target{profile.literals, profile.dbms};

  std::int32_t row = 0;
  if (OneSqliteFile(source, target_)) {
    // The source's rows are read to the end, and its read ended, before the first write.
    RowSpill spill;
    if (s = spill.Fill(result); !s) {
      Fail(s);
      return;
    }
    result.Close();
    row = CopyRows(spill, kinds, target, total, start);
  } else {
    row = CopyRows(result, kinds, target, total, start);
  }
  // Rows copied so far are kept, also when the copy was cut short: every row read is in the
  // target or has its record.
  const bool kept = !ended_ && SendBatch() && CommitGroup();
  if (context_.outcome().cut) {
    context_.LeaveBehind(std::to_string(row) + "行目まで読み、挿入した行を" +
                         (kept ? "確定しました" : "確定できませんでした"));
  }
  // The export is over and every failure that mattered has its record; ending the
  // connections cleanly or not changes nothing for the rows.
  if (grouped_) (void)target_.SetAutoCommit(true);
  (void)result.Close();
  (void)source.Close();
  (void)target_.Close();
}

}  // namespace

TaskOutcome ExportResult(TaskContext& context) {
  Exporter(context).Run();
  return context.outcome();
}

}  // namespace kelvax
