#include "output/xlsx_output.h"

#include <fcntl.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/calendar.h"
#include "platform/fd.h"
#include "platform/file_ops.h"

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
  return Status::Error(errnum::kFileIo, std::string("xlsx: ") + lxw_strerror(error));
}

enum class CellKind { kText, kInteger, kDecimal, kFloat, kDate, kTime, kTimestamp, kBoolean };

CellKind KindOf(int sql_type) {
  switch (sql_type) {
    case odbc::kSqlTinyInt:
    case odbc::kSqlSmallInt:
    case odbc::kSqlInteger:
    case odbc::kSqlBigInt: return CellKind::kInteger;
    case odbc::kSqlNumeric:
    case odbc::kSqlDecimal: return CellKind::kDecimal;
    case odbc::kSqlFloat:
    case odbc::kSqlReal:
    case odbc::kSqlDouble: return CellKind::kFloat;
    case odbc::kSqlDate:
    case odbc::kSqlTypeDate: return CellKind::kDate;
    case odbc::kSqlTime:
    case odbc::kSqlTypeTime: return CellKind::kTime;
    case odbc::kSqlTimestamp:
    case odbc::kSqlTypeTimestamp: return CellKind::kTimestamp;
    case odbc::kSqlBit: return CellKind::kBoolean;
    default: return CellKind::kText;
  }
}

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool ParseDouble(std::string_view text, double& value) {
  const char* end = text.data() + text.size();
  auto r = std::from_chars(text.data(), end, value);
  return r.ec == std::errc() && r.ptr == end && std::isfinite(value);
}

bool IntegerNumber(std::string_view text, double& value) {
  std::int64_t v = 0;
  const char* end = text.data() + text.size();
  auto r = std::from_chars(text.data(), end, v);
  if (r.ec != std::errc() || r.ptr != end || v > kMaxExactInteger || v < -kMaxExactInteger) {
    return false;
  }
  value = static_cast<double>(v);
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
  if (!AllDigits(whole) || (point != std::string_view::npos && !AllDigits(fraction))) return false;
  // Leading zeros count for nothing, in the fraction too when the whole part is zero.
  std::size_t significant = 0;
  if (const std::size_t lead = whole.find_first_not_of('0'); lead != std::string_view::npos) {
    significant = whole.size() - lead + fraction.size();
  } else if (const std::size_t f = fraction.find_first_not_of('0'); f != std::string_view::npos) {
    significant = fraction.size() - f;
  }
  return significant <= kMaxExactDigits && ParseDouble(text, value);
}

// Takes `width` digits as a number; false when they are not all digits.
bool TakeNumber(std::string_view& text, std::size_t min_width, std::size_t max_width, int& out) {
  std::size_t n = 0;
  while (n < text.size() && n < max_width && text[n] >= '0' && text[n] <= '9') ++n;
  if (n < min_width) return false;
  out = 0;
  for (std::size_t i = 0; i < n; ++i) out = out * 10 + (text[i] - '0');
  text.remove_prefix(n);
  return true;
}

bool TakeChar(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
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

// "9:05:03" as a fraction of a day.
bool TimeOfDay(std::string_view& text, double& fraction) {
  int h = 0, m = 0, s = 0;
  if (!TakeNumber(text, 1, 2, h) || !TakeChar(text, ':') || !TakeNumber(text, 2, 2, m) ||
      !TakeChar(text, ':') || !TakeNumber(text, 2, 2, s) || h > 23 || m > 59 || s > 59) {
    return false;
  }
  fraction = (h * 3600 + m * 60 + s) / 86400.0;
  return true;
}

// "2001/10/28" or "2001/10/28 9:05:03" as the spreadsheet's serial day number. Days before 1900
// and after 9999 have none and stay text.
bool DateSerial(std::string_view text, bool with_time, double& serial) {
  int y = 0, m = 0, d = 0;
  if (!TakeNumber(text, 4, 4, y) || !TakeChar(text, '/') || !TakeNumber(text, 2, 2, m) ||
      !TakeChar(text, '/') || !TakeNumber(text, 2, 2, d)) {
    return false;
  }
  if (y < 1900 || !IsRealDay(y, m, d)) return false;
  double fraction = 0;
  if (with_time && !text.empty() && (!TakeChar(text, ' ') || !TimeOfDay(text, fraction))) {
    return false;
  }
  if (!text.empty()) return false;
  // The format counts a 29 February 1900 that never was: serial 61 is 1900-03-01.
  std::int64_t days = DaysFromCivil(y, m, d) - DaysFromCivil(1899, 12, 30);
  if (y == 1900 && m <= 2) --days;
  serial = static_cast<double>(days) + fraction;
  return true;
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

struct WorkbookFree {
  void operator()(lxw_workbook* workbook) const { lxw_workbook_free(workbook); }
};

// The workbook being written: the current sheet and row, the cell formats, and each column's
// kind of cell.
class Book {
 public:
  Book(const odbc::ResultSet& result, int last_column) : result_(result) {
    for (int c = 0; c <= last_column; ++c) kinds_.push_back(KindOf(result.ColumnType(c)));
  }
  Book(const Book&) = delete;
  Book& operator=(const Book&) = delete;
  // A workbook never closed: freeing it leaves its sheets' scratch files open, so they are
  // closed here.
  ~Book() {
    if (!workbook_) return;
    for (lxw_worksheet* sheet : sheets_) {
      if (sheet->optimize_tmpfile) fclose(sheet->optimize_tmpfile);
      sheet->optimize_tmpfile = nullptr;
    }
  }

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
    return Status::Ok();
  }

  // The first sheet and its header row.
  Status Start() { return AddSheet(); }

  // Moves to the row for the next result row, on a new sheet when this one is full.
  Status NextRow() {
    if (!sheet_) return NotOpen();
    if (row_ + 1 >= LXW_ROW_MAX) {
      sheet_ = nullptr;
      if (Status s = AddSheet(); !s) return s;
    }
    ++row_;
    return Status::Ok();
  }

  // Writes one value of the current row. A text cut to fit the cell is written and reported.
  Status Cell(int column, std::string_view text) {
    const auto col = static_cast<lxw_col_t>(column);
    double number = 0;
    switch (kinds_[column]) {
      case CellKind::kInteger:
        if (IntegerNumber(text, number)) return Check(Number(col, number, nullptr));
        break;
      case CellKind::kDecimal:
        if (DecimalNumber(text, number)) return Check(Number(col, number, nullptr));
        break;
      case CellKind::kFloat:
        if (ParseDouble(text, number)) return Check(Number(col, number, nullptr));
        break;
      case CellKind::kDate:
      case CellKind::kTimestamp:
        if (DateSerial(text, kinds_[column] == CellKind::kTimestamp, number)) {
          return Check(Number(col, number, kinds_[column] == CellKind::kDate ? date_ : timestamp_));
        }
        break;
      case CellKind::kTime: {
        std::string_view rest = text;
        if (TimeOfDay(rest, number) && rest.empty()) return Check(Number(col, number, time_));
        break;
      }
      case CellKind::kBoolean:
        if (text == "True" || text == "False") {
          return Check(worksheet_write_boolean(sheet_, row_, col, text == "True", nullptr));
        }
        break;
      case CellKind::kText:
        break;
    }
    const std::size_t keep = CellLength(text);
    cell_.assign(text.substr(0, keep));
    if (Status s = Check(worksheet_write_string(sheet_, row_, col, cell_.c_str(), nullptr)); !s) {
      return s;
    }
    if (keep < text.size()) {
      return Status::Error(errnum::kOverflow, "セルに入る " + std::to_string(kMaxCellUnits) +
                                                   " 文字を超えた値を切り詰めました (列 " +
                                                   result_.ColumnName(column) + ")");
    }
    return Status::Ok();
  }

  bool is_open() const { return sheet_ != nullptr; }

  // Writes the workbook out and puts it at the output path.
  Status Close() {
    if (!workbook_) return Status::Ok();
    const lxw_error e = workbook_close(workbook_.release());
    if (e != LXW_NO_ERROR) return LibraryFailure(e);
    return file_.Commit();
  }

 private:
  Status NotOpen() const {
    return create_error_.ok() ? Status::Error(52, "ファイル名または番号が不正です。")
                              : create_error_;
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
    sheets_.push_back(sheet);
    // Wide enough that dates and times show instead of "####".
    for (std::size_t c = 0; c < kinds_.size(); ++c) {
      const double width = kinds_[c] == CellKind::kDate        ? 11
                           : kinds_[c] == CellKind::kTimestamp ? 19
                           : kinds_[c] == CellKind::kTime      ? 9
                                                               : 0;
      if (width > 0) {
        const auto col = static_cast<lxw_col_t>(c);
        worksheet_set_column(sheet, col, col, width, nullptr);
      }
    }
    sheet_ = sheet;
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
  std::vector<CellKind> kinds_;
  AtomicFile file_;  // the library writes the workbook by name into its new file
  std::string scratch_;
  std::unique_ptr<lxw_workbook, WorkbookFree> workbook_;
  std::vector<lxw_worksheet*> sheets_;
  lxw_worksheet* sheet_ = nullptr;
  lxw_row_t row_ = 0;
  lxw_format* date_ = nullptr;
  lxw_format* timestamp_ = nullptr;
  lxw_format* time_ = nullptr;
  std::string cell_;
  Status create_error_;
};

}  // namespace

void WriteXlsxFile(WriterRun& run) {
  Book book(run.result, run.last_column);
  if (Status s = book.Create(run.path); !s && !run.Fail(s)) return;
  if (Status s = book.Start(); !s && !run.Fail(s)) return;

  while (NextRowAvailable(run)) {
    ++run.rows;
    if (Status s = book.NextRow(); !s) {
      // Like a line that cannot be written: the row is lost, the rows are still read.
      if (!run.Fail(s)) return;
    } else {
      for (int c = 0; c <= run.last_column; ++c) {
        std::string_view text;
        bool is_null = false;
        Status s = run.result.Value(c, text, is_null);
        if (s && !is_null) s = book.Cell(c, text);
        if (!s && !run.Fail(s)) return;
      }
    }
    if (!AdvanceRow(run)) return;
    if (!run.Progress()) return;
  }
  if (run.stopped()) return;
  if (Status s = book.Close(); !s) run.Fail(s);
}

}  // namespace kelvax
