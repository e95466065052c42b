#include "output/line_sink.h"

#include "platform/cp932.h"

namespace kelvax {

namespace {
constexpr std::size_t kBlockSize = 256 * 1024;
}

LineSink::LineSink() { buffer_.reserve(kBlockSize + 4096); }

Status LineSink::Create(const std::string& path) {
  create_error_ = file_.Create(path);
  return create_error_;
}

Status LineSink::WriteLine(std::string_view utf8) {
  if (!file_.is_open()) {
    return create_error_.ok() ? Status::Error(52, "ファイル名または番号が不正です。")
                              : create_error_;
  }
  replaced_ += AppendCp932(utf8, buffer_);
  buffer_ += "\r\n";
  if (buffer_.size() >= kBlockSize) return Flush();
  return Status::Ok();
}

Status LineSink::Flush() {
  if (buffer_.empty()) return Status::Ok();
  Status s = file_.Write(buffer_);
  buffer_.clear();
  return s;
}

Status LineSink::Close() {
  if (!file_.is_open()) return Status::Ok();
  Status flushed = Flush();
  Status closed = file_.Close();
  return flushed ? closed : flushed;
}

}  // namespace kelvax
