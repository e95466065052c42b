// Status: the outcome of one platform or data-access call. Cheap when OK; a failure carries
// the error number and description that a run-log record shows on its second line, and for a
// data-access failure the five-character SQLSTATE (empty otherwise). Never ignore one: handle it,
// or write (void) with the reason.
#pragma once

#include <string>
#include <utility>

namespace kelvax {

class [[nodiscard]] Status {
 public:
  Status() = default;
  static Status Ok() { return Status(); }
  static Status Error(long number, std::string description) {
    Status s;
    s.failed_ = true;
    s.number_ = number;
    s.description_ = std::move(description);
    return s;
  }
  static Status Error(long number, std::string description, std::string sqlstate) {
    Status s = Error(number, std::move(description));
    s.sqlstate_ = std::move(sqlstate);
    return s;
  }

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  long number() const { return number_; }
  const std::string& description() const { return description_; }
  const std::string& sqlstate() const { return sqlstate_; }

 private:
  bool failed_ = false;
  long number_ = 0;
  std::string description_;
  std::string sqlstate_;
};

// Error numbers for failures that do not come from a driver. 5 is "invalid procedure call or
// argument", the number the job runner's own failures carry; the others only need to be stable.
namespace errnum {
constexpr long kInvalidArgument = 5;
constexpr long kOverflow = 6;
constexpr long kOutOfMemory = 7;
constexpr long kFileNotFound = 53;
constexpr long kFileIo = 57;
constexpr long kFileAlreadyOpen = 55;
constexpr long kFileAlreadyExists = 58;
constexpr long kPermissionDenied = 70;
constexpr long kPathNotFound = 76;
constexpr long kTypeMismatch = 13;
constexpr long kUnexpected = 440;
constexpr long kClipboard = 521;
}  // namespace errnum

// A failure from errno, numbered as above where a match exists.
Status ErrnoStatus(int err, const std::string& what);

}  // namespace kelvax
