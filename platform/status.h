// Status: the outcome of one platform or data-access call. Cheap when OK; a failure carries its
// kind (StatusCode), the number a driver or library gave it (native), the five-character SQLSTATE
// of a data-access failure (empty otherwise) and its words. How a kind reads in the run log (the
// legacy number and text) is chosen where records are written, not here. Never ignore one:
// handle it, or write (void) with the reason.
#pragma once

#include <string>
#include <utility>

namespace kelvax {

enum class StatusCode {
  kOk,
  kNative,        // a driver's or library's own failure: native() and sqlstate() say which
  kNoDiagnostic,  // a driver call failed without saying why
  kInvalidArgument,
  kOverflow,
  kOutOfMemory,
  kTypeMismatch,
  kIndexOutOfRange,
  kObjectNotSet,  // no connection or result where one was needed
  kNoCurrentRow,
  kObjectExists,
  kObjectNotFound,
  kTextAfterStatement,
  kBadFileName,
  kFileNotFound,
  kFileIo,
  kFileAlreadyOpen,
  kFileAlreadyExists,
  kPermissionDenied,
  kPathNotFound,
  kClipboard,
  kUnexpected,
};

class [[nodiscard]] Status {
 public:
  Status() = default;
  static Status Ok() { return Status(); }
  // A failure of our own. An empty `message` reads as the kind's standard text in the log.
  static Status Error(StatusCode code, std::string message = {}) {
    Status s;
    s.code_ = code;
    s.message_ = std::move(message);
    return s;
  }
  // A failure a driver or library numbered (0 when it gave no number), with its SQLSTATE.
  static Status Native(long native, std::string message, std::string sqlstate = {}) {
    Status s = Error(StatusCode::kNative, std::move(message));
    s.native_ = native;
    s.sqlstate_ = std::move(sqlstate);
    return s;
  }

  bool ok() const { return code_ == StatusCode::kOk; }
  explicit operator bool() const { return ok(); }
  StatusCode code() const { return code_; }
  bool Is(StatusCode code) const { return code_ == code; }
  long native() const { return native_; }
  const std::string& sqlstate() const { return sqlstate_; }
  // The failure's own words (empty for a kind whose standard text says it all).
  const std::string& description() const { return message_; }

  // The same failure in other words (a count added, say).
  Status WithDescription(std::string message) const {
    Status s = *this;
    s.message_ = std::move(message);
    return s;
  }
  // The same kind, number and words: a repeat of this failure.
  bool SameAs(const Status& other) const {
    return code_ == other.code_ && native_ == other.native_ && message_ == other.message_;
  }

 private:
  StatusCode code_ = StatusCode::kOk;
  long native_ = 0;
  std::string message_;
  std::string sqlstate_;
};

// A failure from errno, of the matching kind where there is one.
Status ErrnoStatus(int err, const std::string& what);

}  // namespace kelvax
