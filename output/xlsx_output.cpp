#include "output/xlsx_output.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/value_text.h"
#include "output/row_loop.h"
#include "platform/fs/atomic_file.h"
#include "platform/fs/fd.h"
#include "platform/fs/file_ops.h"
#include "platform/text/utf8.h"
#include "platform/time/calendar.h"

namespace kelvax {

namespace {

// A cell holds at most this many characters (counted in UTF-16 units, as the reading programs
// count them); a longer value is cut.
constexpr std::size_t kMaxCellUnits = 32767;
// Whole numbers above this lose digits as a double.
constexpr std::int64_t kMaxExactInteger = std::int64_t{1} << 53;
// Significant digits a double keeps for any decimal.
constexpr int kMaxExactDigits = 15;

Status LibraryFailure(lxw_error error) {
  return Status::Error(StatusCode::kFileIo, std::string("xlsx: ") + lxw_strerror(error));
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return std::int64_t{era} * 146097 + doe - 719468;
}

// A time of day as a fraction of a day.
double DayFraction(const odbc::DateTime& t) {
  return (t.hour * 3600 + t.minute * 60 + t.second + t.nanosecond / 1e9) / 86400.0;
}

// A date as the spreadsheet's serial day number; days before 1900 have none.
bool DateSerial(const odbc::DateTime& t, double& serial) {
  if (t.year < 1900) return false;
  // The format counts a 29 February 1900 that never was: serial 61 is 1900-03-01.
  std::int64_t days = DaysFromCivil(t.year, t.month, t.day) - DaysFromCivil(1899, 12, 30);
  if (t.year == 1900 && t.month <= 2) --days;
  serial = static_cast<double>(days);
  return true;
}

// A plain decimal (-12.5) of at most 15 significant digits, which a double gives back exactly.
bool DecimalNumber(std::string_view text, double& value) {
  std::string_view body = text;
  if (!body.empty() && body.front() == '-') body.remove_prefix(1);
  const std::size_t point = body.find('.');
  std::string_view whole = body.substr(0, point);
  std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : body.substr(point + 1);
  auto all_digits = [](std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
      if (c < '0' || c > '9') return false;
    }
    return true;
  };
  if (!all_digits(whole) || (point != std::string_view::npos && !all_digits(fraction))) {
    return false;
  }
  // Leading zeros count for nothing, in the fraction too when the whole part is zero.
  std::size_t significant = 0;
  if (const std::size_t lead = whole.find_first_not_of('0'); lead != std::string_view::npos) {
    significant = whole.size() - lead + fraction.size();
  } else if (const std::size_t f = fraction.find_first_not_of('0'); f != std::string_view::npos) {
    significant = fraction.size() - f;
  }
  const char* end = text.data() + text.size();
  auto r = std::from_chars(text.data(), end, value);
  return significant <= kMaxExactDigits && r.ec == std::errc() && r.ptr == end &&
         std::isfinite(value);
}

// What the library's 16-significant-digit number form reads back as.
double SixteenDigits(double value) {
  char buf[40];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 16);
  double back = 0;
  if (std::from_chars(buf, r.ptr, back).ec == std::errc::result_out_of_range) {
    return value > 0 ? HUGE_VAL : -HUGE_VAL;
  }
  return back;
}

// A cell's text as the file format keeps it: the format writes characters it cannot hold as
// _xHHHH_, so a text that itself holds such a run has its '_' written _x005F_ (else _x0041_
// would read back as A, and a CR the same as the text _x000D_); NUL, which the library cannot
// take, is written _x0000_. Ill-formed UTF-8 becomes U+FFFD, counted in `repaired`.
void CellText(std::string_view text, std::string& out, std::size_t& repaired) {
  out.clear();
  std::string_view source = text;
  std::string fixed;
  if (!IsValidUtf8(text)) {
    repaired += AppendRepairedUtf8(text, fixed);
    source = fixed;
  }
  // Most text holds neither byte: it is copied whole.
  if (!std::memchr(source.data(), '_', source.size()) &&
      !std::memchr(source.data(), '\0', source.size())) {
    out.assign(source);
    return;
  }
  auto is_hex = [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
  };
  for (std::size_t i = 0; i < source.size(); ++i) {
    const char c = source[i];
    if (c == '\0') {
      out += "_x0000_";
    } else if (c == '_' && i + 6 < source.size() && source[i + 1] == 'x' && is_hex(source[i + 2]) &&
               is_hex(source[i + 3]) && is_hex(source[i + 4]) && is_hex(source[i + 5]) &&
               source[i + 6] == '_') {
      out += "_x005F_";
    } else {
      out.push_back(c);
    }
  }
}

// How long `text` may stay to fit a cell: its length, or the byte where the cut falls.
std::size_t CellLength(std::string_view text) {
  if (text.size() <= kMaxCellUnits) return text.size();  // UTF-16 units never exceed bytes
  std::size_t units = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) == 0x80) continue;
    units += byte >= 0xF0 ? 2 : 1;
    if (units > kMaxCellUnits) return i;
  }
  return text.size();
}

// A workbook given up is closed all the same: closing is the library's only documented way to
// let one go, and the only one that closes its sheets' scratch files. It writes the workbook
// into the new file, which goes with the unfinished output.
struct WorkbookClose {
  void operator()(lxw_workbook* workbook) const { (void)workbook_close(workbook); }
};

// The workbook being written: the current sheet and row, the cell formats, and each column's
// kind of cell.
class Book {
 public:
  Book(const odbc::ResultSet& result, int last_column) : result_(result) {
    for (int c = 0; c <= last_column; ++c) kinds_.push_back(result.Kind(c));
  }
  Book(const Book&) = delete;
  Book& operator=(const Book&) = delete;

  // A failure here is also what every later write of the book reports.
  Status Create(const std::string& path) {
    if (Status s = file_.Create(path); !s) {
      create_error_ = s;
      return s;
    }
    // Scratch files beside the output: on its disk, not in a memory-backed /tmp.
    scratch_ = FolderOf(path) + "/";
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = scratch_.data();
    options.use_zip64 = LXW_TRUE;
    workbook_.reset(workbook_new_opt(file_.temp_path().c_str(), &options));
    if (!workbook_) return LibraryFailure(LXW_ERROR_MEMORY_MALLOC_FAILED);
    date_ = Format("yyyy/mm/dd");
    timestamp_ = Format("yyyy/mm/dd h:mm:ss");
    time_ = Format("h:mm:ss");
    // Spreadsheet programs show at most milliseconds.
    fine_timestamp_ = Format("yyyy/mm/dd h:mm:ss.000");
    fine_time_ = Format("h:mm:ss.000");
    return Status::Ok();
  }

  // The first sheet and its header row.
  Status Start() { return AddSheet(); }

  // Moves to the row for the next result row, on a new sheet when this one is full.
  Status NextRow() {
    if (!sheet_) return NotOpen();
    // The library writes the row before this one to the scratch file now and keeps no count of
    // a write that failed there: the file's own error flag does.
    if (Status s = ScratchWritten(); !s) return s;
    if (row_ + 1 >= LXW_ROW_MAX) {
      sheet_ = nullptr;
      if (Status s = AddSheet(); !s) return s;
    }
    ++row_;
    return Status::Ok();
  }

  // Writes one value of the current row: numbers, dates, times and booleans as cells of their
  // type where the format holds them exactly, everything else as text. A text cut to fit the
  // cell is written and reported.
  Status Cell(int column, const odbc::Value& value) {
    using Kind = odbc::Value::Kind;
    const auto col = static_cast<lxw_col_t>(column);
    double number = 0;
    switch (value.kind) {
      case Kind::kNull:
        return Status::Ok();
      case Kind::kInteger:
        if (value.integer <= kMaxExactInteger && value.integer >= -kMaxExactInteger) {
          return Check(Number(col, static_cast<double>(value.integer), nullptr));
        }
        break;
      case Kind::kUnsigned:
        break;
      case Kind::kDecimal:
        number_text_.clear();
        AppendDecimal(value.bytes, number_text_);
        if (DecimalNumber(number_text_, number)) return Check(Number(col, number, nullptr));
        break;
      case Kind::kFloat:
        if (!std::isfinite(value.number)) break;
        // The library writes numbers with 16 significant digits: a double that needs 17 is
        // rounded there (counted for the record), and one that would round past the largest
        // double stays text.
        if (const double written = SixteenDigits(value.number); written != value.number) {
          if (!std::isfinite(written)) break;
          ++rounded_;
        }
        return Check(Number(col, value.number, nullptr));
      case Kind::kReal:
        // The float's own digits (0.1, not 0.100000001490116) as the number.
        number_text_.clear();
        AppendReal(value.number, number_text_);
        if (std::from_chars(number_text_.data(), number_text_.data() + number_text_.size(), number)
                    .ec == std::errc() &&
            std::isfinite(number)) {
          return Check(Number(col, number, nullptr));
        }
        break;
      case Kind::kBoolean:
        return Check(worksheet_write_boolean(sheet_, row_, col, value.boolean, nullptr));
      case Kind::kDate:
      case Kind::kTimestamp:
        if (DateSerial(value.time, number)) {
          const bool date = value.kind == Kind::kDate;
          if (!date) number += DayFraction(value.time);
          const bool fine = value.time.nanosecond != 0;
          return Check(Number(col, number, date ? date_ : fine ? fine_timestamp_ : timestamp_));
        }
        break;
      case Kind::kTime:
        return Check(
            Number(col, DayFraction(value.time), value.time.nanosecond != 0 ? fine_time_ : time_));
      case Kind::kText:
      case Kind::kBinary:
        break;
    }
    std::string_view text = ValueText(value, number_text_);
    if (value.kind == Kind::kText) {
      CellText(text, escaped_, repaired_);
      text = escaped_;
    }
    const std::size_t keep = CellLength(text);
    cell_.assign(text.substr(0, keep));
    if (Status s = Check(worksheet_write_string(sheet_, row_, col, cell_.c_str(), nullptr)); !s) {
      return s;
    }
    if (keep < text.size()) {
      return Status::Error(StatusCode::kOverflow, "セルに入る " + std::to_string(kMaxCellUnits) +
                                                      " 文字を超えた値を切り詰めました (列 " +
                                                      result_.ColumnName(column) + ")");
    }
    return Status::Ok();
  }

  // Ill-formed UTF-8 sequences written as U+FFFD so far.
  std::size_t repaired() const { return repaired_; }
  // Floating values the file holds only to 16 significant digits.
  std::size_t rounded() const { return rounded_; }

  bool is_open() const { return sheet_ != nullptr; }

  // Writes the workbook out and keeps it under its own name, which is returned (empty when it
  // could not be written).
  std::string Leave() {
    if (!workbook_ || !ReadyToClose() || workbook_close(workbook_.release()) != LXW_NO_ERROR)
      return "";
    file_.Leave();
    return file_.temp_path();
  }

  // A scratch write that failed: the sheet would stop mid-row, so the book must not be kept.
  const Status& scratch_error() const { return scratch_error_; }

  // Writes the workbook out and puts it at the output path.
  Status Close() {
    if (!workbook_) return Status::Ok();
    if (Status s = ReadyToClose(); !s) return s;
    const lxw_error e = workbook_close(workbook_.release());
    if (e != LXW_NO_ERROR) return LibraryFailure(e);
    return file_.Commit();
  }

 private:
  Status NotOpen() const {
    return create_error_.ok() ? Status::Error(StatusCode::kBadFileName) : create_error_;
  }
  Status ScratchFailure(int error) {
    scratch_error_ =
        Status::Error(StatusCode::kFileIo, "xlsx: scratch file in " + FolderOf(file_.temp_path()) +
                                               ": " + std::strerror(error));
    return scratch_error_;
  }

  // Whether every sheet's scratch file holds all its rows so far.
  Status ScratchWritten() {
    if (!scratch_error_.ok()) return scratch_error_;
    for (lxw_worksheet* sheet : sheets_) {
      if (sheet->optimize_tmpfile && ferror(sheet->optimize_tmpfile)) {
        return ScratchFailure(errno != 0 ? errno : EIO);
      }
    }
    return Status::Ok();
  }

  // Writes each sheet's last row to its scratch file, and checks that the close can copy the
  // sheets out: it copies each scratch file into another one beside it, and a write that fails
  // there is lost in the library, leaving a workbook that looks whole and stops mid-row.
  Status ReadyToClose() {
    std::uint64_t largest = 0;
    for (lxw_worksheet* sheet : sheets_) {
      if (!sheet->optimize_tmpfile) continue;
      lxw_worksheet_write_single_row(sheet);  // the close's own call then finds nothing left
      errno = 0;
      (void)fflush(sheet->optimize_tmpfile);
      if (Status s = ScratchWritten(); !s) return s;
      const off_t size = ftello(sheet->optimize_tmpfile);
      if (size > 0) largest = std::max<std::uint64_t>(largest, static_cast<std::uint64_t>(size));
    }
    // The copy adds the sheet's head and tail; this is more than they take.
    constexpr std::uint64_t kSheetFrame = 64 * 1024;
    struct rlimit limit {};
    if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        largest + kSheetFrame > limit.rlim_cur) {
      return ScratchFailure(EFBIG);
    }
    // The copies are made one after another, each removed (with its scratch file) once in the
    // workbook; the workbook's own writes are checked by the library.
    struct statvfs fs {};
    if (statvfs(scratch_.c_str(), &fs) == 0 &&
        static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize < largest + kSheetFrame) {
      return ScratchFailure(ENOSPC);
    }
    return Status::Ok();
  }

  static Status Check(lxw_error e) { return e == LXW_NO_ERROR ? Status::Ok() : LibraryFailure(e); }

  lxw_format* Format(const char* number_format) {
    lxw_format* f = workbook_add_format(workbook_.get());
    if (f) format_set_num_format(f, number_format);
    return f;
  }

  lxw_error Number(lxw_col_t col, double value, lxw_format* format) {
    return worksheet_write_number(sheet_, row_, col, value, format);
  }

  Status AddSheet() {
    if (!workbook_) return NotOpen();
    lxw_worksheet* sheet = workbook_add_worksheet(workbook_.get(), nullptr);
    if (!sheet) return LibraryFailure(LXW_ERROR_CREATING_TMPFILE);
    // Wide enough that dates and times show instead of "####".
    for (std::size_t c = 0; c < kinds_.size(); ++c) {
      const double width = kinds_[c] == odbc::ColumnKind::kDate        ? 11
                           : kinds_[c] == odbc::ColumnKind::kTimestamp ? 19
                           : kinds_[c] == odbc::ColumnKind::kTime      ? 9
                                                                       : 0;
      if (width > 0) {
        const auto col = static_cast<lxw_col_t>(c);
        worksheet_set_column(sheet, col, col, width, nullptr);
      }
    }
    sheet_ = sheet;
    sheets_.push_back(sheet);
    row_ = 0;
    for (std::size_t c = 0; c < kinds_.size(); ++c) {
      const std::string& name = result_.ColumnName(static_cast<int>(c));
      cell_.assign(name.substr(0, CellLength(name)));
      const lxw_error e =
          worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), cell_.c_str(), nullptr);
      if (e != LXW_NO_ERROR) return LibraryFailure(e);
    }
    return Status::Ok();
  }

 private:
  const odbc::ResultSet& result_;
  std::vector<odbc::ColumnKind> kinds_;
  AtomicFile file_;  // the library writes the workbook by name into its new file
  std::string scratch_;
  // Closed before file_ goes, so that what the close writes is removed with it.
  std::unique_ptr<lxw_workbook, WorkbookClose> workbook_;
  lxw_worksheet* sheet_ = nullptr;
  std::vector<lxw_worksheet*> sheets_;
  lxw_row_t row_ = 0;
  lxw_format* date_ = nullptr;
  lxw_format* timestamp_ = nullptr;
  lxw_format* time_ = nullptr;
  lxw_format* fine_timestamp_ = nullptr;
  lxw_format* fine_time_ = nullptr;
  std::string cell_;
  std::string number_text_;
  std::string escaped_;
  std::size_t repaired_ = 0;
  std::size_t rounded_ = 0;
  Status create_error_;
  Status scratch_error_;
};

class XlsxWriter : public RowWriter {
 public:
  XlsxWriter(const odbc::ResultSet& result, int last_column) : book_(result, last_column) {}

  bool Begin(WriterRun& run) override {
    if (Status s = book_.Create(run.path); !s && !run.Fail(s)) return false;
    if (Status s = book_.Start(); !s && !run.Fail(s)) return false;
    return true;
  }
  bool Row(WriterRun& run) override {
    if (!book_.scratch_error().ok()) return true;  // recorded at the row it struck; read on
    if (Status s = book_.NextRow(); !s) {
      // Like a line that cannot be written: the row is lost, the rows are still read.
      return run.Fail(s);
    }
    for (int c = 0; c <= run.last_column; ++c) {
      odbc::Value value;
      Status s = run.result.Get(c, value);
      if (s) s = book_.Cell(c, value);
      if (!s && !run.Fail(s)) return false;
    }
    return true;
  }
  void Finish(WriterRun& run) override {
    // A cut run leaves no workbook: the book's new file goes with it.
    if (run.context.StopRequested()) {
      run.NoteAbandoned();
      return;
    }
    if (run.stopped()) return;
    if (run.result_ended()) {
      // The rows read are kept under the workbook's own name, never at the output path.
      run.RecordResultEnd(run.rows > 0 ? book_.Leave() : "");
      return;
    }
    // A book whose scratch file failed was recorded then; it goes with its new file.
    if (!book_.scratch_error().ok()) return;
    if (Status s = book_.Close(); !s) {
      run.Fail(s);
      return;
    }
    run.NoteRepaired(book_.repaired());
    run.NoteRounded(book_.rounded());
  }

 private:
  Book book_;
};

}  // namespace

void WriteXlsxFile(WriterRun& run) {
  XlsxWriter writer(run.result, run.last_column);
  WriteRows(run, writer);
}

}  // namespace kelvax
