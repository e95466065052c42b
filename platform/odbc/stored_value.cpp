#include "platform/odbc/stored_value.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "platform/time/calendar.h"

namespace kelvax::odbc {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// `count` digits at `at`, or -1.
int Digits(std::string_view s, std::size_t at, std::size_t count) {
  if (at + count > s.size()) return -1;
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (!IsDigit(s[i])) return -1;
    value = value * 10 + (s[i] - '0');
  }
  return value;
}

// +HH, +HH:MM or +HH:MM:SS (or '-') from `at` to the end.
bool ParseOffset(std::string_view s, std::size_t at, DateTime& t) {
  if (at >= s.size() || (s[at] != '+' && s[at] != '-')) return false;
  const int sign = s[at] == '-' ? -1 : 1;
  int parts[3] = {0, 0, 0};
  std::size_t p = at + 1;
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (p == s.size()) break;
      if (s[p] != ':') return false;
      ++p;
    }
    parts[i] = Digits(s, p, 2);
    if (parts[i] < 0) return false;
    p += 2;
  }
  if (p != s.size() || parts[0] > 15 || parts[1] > 59 || parts[2] > 59) return false;
  t.has_offset = true;
  t.offset_seconds = sign * (parts[0] * 3600 + parts[1] * 60 + parts[2]);
  return true;
}

// HH:MM[:SS[.digits]] from `at`, then the end or (with `with_offset`) an offset.
bool ParseTime(std::string_view s, std::size_t at, bool seconds_required, bool with_offset,
               DateTime& t) {
  t.hour = Digits(s, at, 2);
  t.minute = Digits(s, at + 3, 2);
  if (t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || s[at + 2] != ':') {
    return false;
  }
  t.second = 0;
  t.nanosecond = 0;
  std::size_t end = at + 5;
  auto rest = [&](std::size_t from) {
    return from == s.size() || (with_offset && ParseOffset(s, from, t));
  };
  if (end == s.size() || s[end] != ':') return !seconds_required && rest(end);
  t.second = Digits(s, end + 1, 2);
  if (t.second < 0 || t.second > 59) return false;
  end += 3;
  if (end == s.size() || s[end] != '.') return rest(end);
  std::size_t digits = 0;
  std::uint32_t scale = 100000000;
  for (++end; end < s.size() && IsDigit(s[end]); ++end, ++digits) {
    if (digits >= 9) {
      if (s[end] != '0') return false;  // finer than a nanosecond: not ours to round
      continue;
    }
    t.nanosecond += static_cast<std::uint32_t>(s[end] - '0') * scale;
    scale /= 10;
  }
  return digits > 0 && rest(end);
}

bool ParseDateTime(std::string_view s, bool with_offset, Value& value) {
  DateTime t;
  if (s.size() >= 8 && s[2] == ':') {
    if (!ParseTime(s, 0, true, false, t)) return false;
    value.kind = Value::Kind::kTime;
    value.time = t;
    return true;
  }
  t.year = Digits(s, 0, 4);
  t.month = Digits(s, 5, 2);
  t.day = Digits(s, 8, 2);
  if (s.size() < 10 || s[4] != '-' || s[7] != '-' || t.year < 1 ||
      !IsRealDay(t.year, t.month, t.day)) {
    return false;
  }
  if (s.size() == 10) {
    value.kind = Value::Kind::kDate;
    value.time = t;
    return true;
  }
  if (s.size() < 16 || (s[10] != ' ' && s[10] != 'T') || !ParseTime(s, 11, false, with_offset, t)) {
    return false;
  }
  value.kind = Value::Kind::kTimestamp;
  value.time = t;
  return true;
}

bool ParseInteger(std::string_view s, Value& value) {
  if (s.empty() || s.size() > 20) return false;
  const std::size_t first = s[0] == '-' ? 1 : 0;
  if (first == s.size() || (s[first] == '0' && s.size() > first + 1) || s == "-0") return false;
  std::int64_t v = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
  value.kind = Value::Kind::kInteger;
  value.integer = v;
  return true;
}

// A plain decimal: an optional sign, digits with at most one point, at least one digit.
// `significant` counts its digits from the first non-zero one.
bool IsPlainDecimal(std::string_view s, int& significant) {
  std::size_t i = !s.empty() && (s[0] == '-' || s[0] == '+') ? 1 : 0;
  bool point = false, any = false, leading = true;
  significant = 0;
  for (; i < s.size(); ++i) {
    if (s[i] == '.') {
      if (point) return false;
      point = true;
    } else if (IsDigit(s[i])) {
      any = true;
      leading = leading && s[i] == '0';
      if (!leading) ++significant;
    } else {
      return false;
    }
  }
  return any;
}

bool IsIntegerText(std::string_view s) {
  std::size_t i = !s.empty() && s[0] == '-' ? 1 : 0;
  if (i == s.size()) return false;
  for (; i < s.size(); ++i) {
    if (!IsDigit(s[i])) return false;
  }
  return true;
}

bool ParseFloat(std::string_view s, Value& value) {
  if (IsIntegerText(s)) return false;  // an integer stored in a floating column stays as stored
  int significant = 0;
  if (IsPlainDecimal(s, significant) && significant <= 15) {
    value.kind = Value::Kind::kDecimal;
    value.bytes = s;
    return true;
  }
  double v = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v)) return false;
  value.kind = Value::Kind::kFloat;
  value.number = v;
  return true;
}

}  // namespace

bool ParseStoredValue(ColumnKind kind, std::string_view stored, bool with_offset, Value& value) {
  int significant = 0;
  switch (kind) {
    case ColumnKind::kInteger:
      return ParseInteger(stored, value);
    case ColumnKind::kDecimal:
      if (!IsPlainDecimal(stored, significant)) return false;
      value.kind = Value::Kind::kDecimal;
      value.bytes = stored;
      return true;
    case ColumnKind::kFloat:
    case ColumnKind::kReal:
      return ParseFloat(stored, value);
    case ColumnKind::kBoolean:
      if (stored != "1" && stored != "0") return false;
      value.kind = Value::Kind::kBoolean;
      value.boolean = stored == "1";
      return true;
    case ColumnKind::kDate:
    case ColumnKind::kTime:
    case ColumnKind::kTimestamp:
      return ParseDateTime(stored, with_offset, value);
    case ColumnKind::kText:
    case ColumnKind::kBinary:
      return false;
  }
  return false;
}

}  // namespace kelvax::odbc
