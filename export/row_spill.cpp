#include "export/row_spill.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/fs/folders.h"

namespace kelvax {

namespace {

constexpr std::size_t kChunk = 1 << 20;
constexpr unsigned char kFailedValue = 0xFF;

template <class T>
void Put(std::string& out, const T& value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void PutBytes(std::string& out, std::string_view bytes) {
  Put(out, static_cast<std::uint64_t>(bytes.size()));
  out.append(bytes);
}

}  // namespace

Status RowSpill::Fill(odbc::ResultSet& result) {
  const std::string folder = TempFolder();
  fd_.reset(open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
  if (fd_.get() < 0) return ErrnoStatus(errno, folder);
  columns_ = result.ColumnCount();
  std::string out;
  out.reserve(kChunk + 4096);
  odbc::Value value;
  for (;;) {
    bool at_end = true;
    if (Status s = result.AtEnd(at_end); !s) {
      fetch_error_ = s;
      break;
    }
    if (at_end) break;
    for (int c = 0; c < columns_; ++c) {
      if (Status s = result.Get(c, value); !s) {
        out.push_back(static_cast<char>(kFailedValue));
        Put(out, static_cast<std::int64_t>(s.code()));
        Put(out, static_cast<std::int64_t>(s.native()));
        PutBytes(out, s.sqlstate());
        PutBytes(out, s.description());
        continue;
      }
      out.push_back(static_cast<char>(value.kind));
      using Kind = odbc::Value::Kind;
      switch (value.kind) {
        case Kind::kNull:
          break;
        case Kind::kText:
        case Kind::kDecimal:
        case Kind::kBinary:
          PutBytes(out, value.bytes);
          break;
        case Kind::kInteger:
          Put(out, value.integer);
          break;
        case Kind::kUnsigned:
          Put(out, value.unsigned_integer);
          break;
        case Kind::kFloat:
        case Kind::kReal:
          Put(out, value.number);
          break;
        case Kind::kBoolean:
          out.push_back(value.boolean ? 1 : 0);
          break;
        case Kind::kDate:
        case Kind::kTime:
        case Kind::kTimestamp:
          Put(out, value.time);
          break;
      }
    }
    ++rows_;
    if (Status s = result.NextRow(); !s) fetch_error_ = s;  // the result is at its end now
    if (out.size() >= kChunk) {
      if (Status s = WriteFully(fd_.get(), out, "spill"); !s) return s;
      out.clear();
    }
  }
  if (Status s = WriteFully(fd_.get(), out, "spill"); !s) return s;
  if (lseek(fd_.get(), 0, SEEK_SET) < 0) return ErrnoStatus(errno, "spill");
  values_.resize(static_cast<std::size_t>(columns_));
  errors_.resize(static_cast<std::size_t>(columns_));
  return Status::Ok();
}

bool RowSpill::Read(void* out, std::size_t size) {
  while (buffer_.size() - at_ < size) {
    buffer_.erase(0, at_);
    at_ = 0;
    const std::size_t have = buffer_.size();
    buffer_.resize(have + std::max(kChunk, size));
    const ssize_t n = read(fd_.get(), buffer_.data() + have, buffer_.size() - have);
    buffer_.resize(have + static_cast<std::size_t>(n > 0 ? n : 0));
    if (n <= 0 && !(n < 0 && errno == EINTR)) return false;
  }
  std::memcpy(out, buffer_.data() + at_, size);
  at_ += size;
  return true;
}

void RowSpill::ReadRow() {
  arena_.clear();
  // The row's byte values, each placed in the arena first and viewed after, as it may grow.
  std::vector<std::pair<std::size_t, std::size_t>> spans(static_cast<std::size_t>(columns_));
  auto bytes = [&](std::pair<std::size_t, std::size_t>& span) {
    std::uint64_t size = 0;
    if (!Read(&size, sizeof size)) return false;
    span = {arena_.size(), static_cast<std::size_t>(size)};
    arena_.resize(arena_.size() + static_cast<std::size_t>(size));
    return size == 0 || Read(arena_.data() + span.first, static_cast<std::size_t>(size));
  };
  for (int c = 0; c < columns_; ++c) {
    odbc::Value& v = values_[static_cast<std::size_t>(c)];
    Status& e = errors_[static_cast<std::size_t>(c)];
    v = odbc::Value();
    e = Status::Ok();
    unsigned char tag = 0;
    bool ok = Read(&tag, 1);
    auto& span = spans[static_cast<std::size_t>(c)];
    span = {0, std::string::npos};
    if (ok && tag == kFailedValue) {
      std::int64_t code = 0, native = 0;
      std::pair<std::size_t, std::size_t> state, text;
      ok = Read(&code, sizeof code) && Read(&native, sizeof native) && bytes(state) && bytes(text);
      if (ok) {
        const std::string words = arena_.substr(text.first, text.second);
        e = static_cast<StatusCode>(code) == StatusCode::kNative
                ? Status::Native(static_cast<long>(native), words,
                                 arena_.substr(state.first, state.second))
                : Status::Error(static_cast<StatusCode>(code), words);
      }
    } else if (ok) {
      using Kind = odbc::Value::Kind;
      v.kind = static_cast<Kind>(tag);
      switch (v.kind) {
        case Kind::kNull:
          break;
        case Kind::kText:
        case Kind::kDecimal:
        case Kind::kBinary:
          ok = bytes(span);
          break;
        case Kind::kInteger:
          ok = Read(&v.integer, sizeof v.integer);
          break;
        case Kind::kUnsigned:
          ok = Read(&v.unsigned_integer, sizeof v.unsigned_integer);
          break;
        case Kind::kFloat:
        case Kind::kReal:
          ok = Read(&v.number, sizeof v.number);
          break;
        case Kind::kBoolean: {
          unsigned char b = 0;
          ok = Read(&b, 1);
          v.boolean = b != 0;
          break;
        }
        case Kind::kDate:
        case Kind::kTime:
        case Kind::kTimestamp:
          ok = Read(&v.time, sizeof v.time);
          break;
      }
    }
    if (!ok) e = Status::Error(StatusCode::kFileIo, "一時ファイルから行を読めませんでした。");
  }
  for (int c = 0; c < columns_; ++c) {
    const auto& span = spans[static_cast<std::size_t>(c)];
    if (span.second != std::string::npos) {
      values_[static_cast<std::size_t>(c)].bytes =
          std::string_view(arena_).substr(span.first, span.second);
    }
  }
  in_row_ = true;
}

Status RowSpill::AtEnd(bool& at_end) {
  at_end = read_rows_ >= rows_;
  if (at_end && !fetch_error_.ok() && !fetch_error_told_) {
    fetch_error_told_ = true;
    return fetch_error_;
  }
  if (!at_end && !in_row_) ReadRow();
  return Status::Ok();
}

Status RowSpill::Get(int column, odbc::Value& value) {
  if (column < 0 || column >= columns_ || read_rows_ >= rows_) {
    return Status::Error(StatusCode::kNoCurrentRow);
  }
  if (!in_row_) ReadRow();
  if (!errors_[static_cast<std::size_t>(column)].ok())
    return errors_[static_cast<std::size_t>(column)];
  value = values_[static_cast<std::size_t>(column)];
  return Status::Ok();
}

Status RowSpill::NextRow() {
  if (read_rows_ >= rows_) return Status::Error(StatusCode::kNoCurrentRow);
  if (!in_row_) ReadRow();  // a row never looked at is still read past
  ++read_rows_;
  in_row_ = false;
  return Status::Ok();
}

}  // namespace kelvax
