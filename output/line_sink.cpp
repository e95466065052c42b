#include "output/line_sink.h"

#include "engine/failure_text.h"
#include "platform/text/cp932.h"
#include "platform/text/utf8.h"

namespace kelvax {

namespace {
constexpr std::size_t kBlockSize = 256 * 1024;
}

LineSink::LineSink() { buffer_.reserve(kBlockSize + 4096); }

Status LineSink::Create(const std::string& path, OutputEncoding encoding) {
  encoding_ = encoding;
  compressor_ = std::make_unique<Compressor>(CompressionOf(path));
  if (encoding == OutputEncoding::kUtf8Bom) buffer_ += "\xEF\xBB\xBF";
  failed_ = file_.Create(path);
  return failed_;
}

Status LineSink::WriteLine(std::string_view utf8) { return WriteLine({}, utf8, {}); }

Status LineSink::WriteLine(std::string_view before, std::string_view utf8, std::string_view after) {
  if (!failed_.ok()) return failed_;
  if (!file_.is_open()) return Status::Error(StatusCode::kBadFileName);
  buffer_ += before;
  (encoding_ == OutputEncoding::kCp932 ? replaced_ : repaired_) += Encode(utf8, buffer_);
  buffer_ += after;
  buffer_ += "\r\n";
  ++buffered_lines_;
  if (buffer_.size() >= kBlockSize) return Flush();
  return Status::Ok();
}

std::size_t LineSink::Encode(std::string_view utf8, std::string& out) const {
  return encoding_ == OutputEncoding::kCp932 ? AppendCp932(utf8, out)
                                             : AppendRepairedUtf8(utf8, out);
}

std::string LineSink::Encoded(std::string_view utf8) const {
  std::string bytes;
  (void)Encode(utf8, bytes);  // the writers' markup has a form for every character
  return bytes;
}

Status LineSink::Flush() {
  if (buffer_.empty()) return Status::Ok();
  const bool packing = compressor_->compression() != Compression::kNone;
  Status s;
  if (packing) {
    packed_.clear();
    s = compressor_->Add(buffer_, packed_);
    if (s) s = file_.Write(packed_);
  } else {
    s = file_.Write(buffer_);
  }
  buffer_.clear();
  if (s) {
    written_lines_ += buffered_lines_;
    buffered_lines_ = 0;
    return s;
  }
  // The file was cut back to its last whole line; a compressed one cannot be read to there.
  std::string kept;
  if (written_lines_ > 0 && file_.is_open() && !packing) {
    file_.Leave();
    kept =
        "。書けた" + std::to_string(written_lines_) + "行は" + file_.temp_path() + "に残しました";
  } else {
    file_.Abandon();
  }
  failed_ = s.WithDescription(RecordText(s) + "（" + std::to_string(buffered_lines_) +
                              "行を書けませんでした" + kept + "）");
  return failed_;
}

Status LineSink::EndStream() {
  if (compressor_->compression() == Compression::kNone) return Status::Ok();
  packed_.clear();
  Status s = compressor_->End(packed_);
  if (s) s = file_.Write(packed_);
  if (!s) {
    file_.Abandon();
    failed_ = s;
  }
  return s;
}

std::string LineSink::Leave() {
  if (!file_.is_open()) return "";
  if (Status s = Flush(); !s) return "";  // the failed write's record names what it kept
  if (Status s = EndStream(); !s) return "";
  file_.Leave();
  return file_.temp_path();
}

Status LineSink::Close() {
  if (!failed_.ok() || !file_.is_open()) return Status::Ok();
  if (Status s = Flush(); !s) return s;
  if (Status s = EndStream(); !s) return s;
  return file_.Commit();
}

}  // namespace kelvax
