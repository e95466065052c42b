#include "platform/sqlite/file_database.h"

#include <sqlite3.h>

#include <memory>

#include "platform/text/quoting.h"

namespace kelvax {

namespace {

struct DbCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Db = std::unique_ptr<sqlite3, DbCloser>;

struct StmtFinalizer {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Stmt = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

// SQLite's extended result code is the error number: stable, and it names the cause.
Status DbError(sqlite3* db, int rc) {
  return Status::Native(db ? sqlite3_extended_errcode(db) : rc,
                       db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
}

// `busy_ms`: how long a statement waits for another program's transaction (0: not at all).
Status Open(const std::string& path, int flags, Db& db, int busy_ms = 0) {
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &raw, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  db.reset(raw);
  if (rc != SQLITE_OK) return DbError(raw, rc);
  sqlite3_busy_timeout(raw, busy_ms);
  // Reading the schema tells a database from any other file (a foreign format, a text file).
  rc = sqlite3_exec(raw, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) return DbError(raw, rc);
  return Status::Ok();
}

Status Exec(sqlite3* db, const std::string& sql) {
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  return rc == SQLITE_OK ? Status::Ok() : DbError(db, rc);
}

std::string QuoteName(const std::string& name) {
  std::string q;
  AppendQuoted(q, name, '"');
  return q;
}

// Whether an object named `name` (any case) exists, and of which type.
Status FindObject(sqlite3* db, const std::string& name, std::string& type) {
  sqlite3_stmt* raw = nullptr;
  int rc = sqlite3_prepare_v2(db, "SELECT type FROM sqlite_master WHERE name = ?1 COLLATE NOCASE",
                              -1, &raw, nullptr);
  Stmt stmt(raw);
  if (rc != SQLITE_OK) return DbError(db, rc);
  sqlite3_bind_text(raw, 1, name.c_str(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  rc = sqlite3_step(raw);
  type.clear();
  if (rc == SQLITE_ROW) {
    type = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
  } else if (rc != SQLITE_DONE) {
    return DbError(db, rc);
  }
  return Status::Ok();
}

}  // namespace

Status CreateFileDatabase(const std::string& path) {
  Db db;
  if (Status s = Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, db); !s) return s;
  // Writes the header page, so the new file is a database and not an empty file.
  return Exec(db.get(), "CREATE TABLE kelvax_init(x); DROP TABLE kelvax_init;");
}

Status CreateStoredQuery(const std::string& path, const std::string& name, const std::string& sql) {
  Db db;
  if (Status s = Open(path, SQLITE_OPEN_READWRITE, db); !s) return s;
  std::string type;
  if (Status s = FindObject(db.get(), name, type); !s) return s;
  if (!type.empty()) {
    return Status::Error(StatusCode::kObjectExists, "オブジェクト '" + name + "' は既に存在します。");
  }
  const std::string create = "CREATE VIEW " + QuoteName(name) + " AS " + sql;
  sqlite3_stmt* raw = nullptr;
  const char* tail = nullptr;
  int rc =
      sqlite3_prepare_v2(db.get(), create.c_str(), static_cast<int>(create.size()), &raw, &tail);
  Stmt view(raw);
  if (rc != SQLITE_OK) return DbError(db.get(), rc);
  // Only blanks, comments and ';' may follow the view: a second statement would run as well.
  const int rest = static_cast<int>(create.c_str() + create.size() - tail);
  rc = sqlite3_prepare_v2(db.get(), tail, rest, &raw, nullptr);
  Stmt after(raw);
  if (rc != SQLITE_OK || raw != nullptr) {
    return Status::Error(StatusCode::kTextAfterStatement);
  }
  rc = sqlite3_step(view.get());
  return rc == SQLITE_DONE ? Status::Ok() : DbError(db.get(), rc);
}

Status RunStoredQuery(const std::string& path, const std::string& name) {
  Db db;
  if (Status s = Open(path, SQLITE_OPEN_READWRITE, db); !s) return s;
  std::string type;
  if (Status s = FindObject(db.get(), name, type); !s) return s;
  if (type != "view") {
    return Status::Error(StatusCode::kObjectNotFound, "クエリー '" + name + "' が見つかりません。");
  }
  sqlite3_stmt* raw = nullptr;
  std::string sql = "SELECT * FROM " + QuoteName(name);
  int rc = sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &raw, nullptr);
  Stmt stmt(raw);
  if (rc != SQLITE_OK) return DbError(db.get(), rc);
  rc = sqlite3_step(raw);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return DbError(db.get(), rc);
  return Status::Ok();
}

Status CompactFileDatabase(const std::string& path, int busy_ms) {
  Db db;
  // VACUUM takes the database for itself once other transactions have ended; a writer that
  // comes meanwhile waits (or is told the database is busy) rather than committing to a copy.
  if (Status s = Open(path, SQLITE_OPEN_READWRITE, db, busy_ms); !s) return s;
  return Exec(db.get(), "VACUUM");
}

}  // namespace kelvax
