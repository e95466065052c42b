#include "platform/odbc/value_text.h"

#include <cfloat>
#include <charconv>
#include <cmath>

#include "platform/calendar.h"
#include "platform/cp932.h"

namespace kelvax::odbc {

namespace {

void AppendTwoDigits(int value, std::string& out) {
  out.push_back(static_cast<char>('0' + (value / 10) % 10));
  out.push_back(static_cast<char>('0' + value % 10));
}

void AppendNumber(long value, std::string& out) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, r.ptr);
}

// to_chars writes the C locale's form, whatever the process locale says about decimal points.
void AppendFloatText(const char* begin, const char* end, std::string& out) {
  if (end - begin == 2 && begin[0] == '-' && begin[1] == '0') {
    out.push_back('0');
    return;
  }
  for (const char* p = begin; p != end; ++p) {
    char c = *p;
    out.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
  }
}

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

// HH:MM[:SS[.digits]] from `at` to the end; `fraction` is whether any fractional digit is not 0.
bool ParseTime(std::string_view s, std::size_t at, bool seconds_required, int& hour, int& minute,
               int& second, bool& fraction) {
  hour = Digits(s, at, 2);
  minute = Digits(s, at + 3, 2);
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || s[at + 2] != ':') return false;
  second = 0;
  fraction = false;
  std::size_t end = at + 5;
  if (end == s.size()) return !seconds_required;
  second = Digits(s, end + 1, 2);
  if (s[end] != ':' || second < 0 || second > 59) return false;
  end += 3;
  if (end == s.size()) return true;
  if (s[end] != '.' || end + 1 == s.size()) return false;
  for (std::size_t i = end + 1; i < s.size(); ++i) {
    if (!IsDigit(s[i])) return false;
    fraction = fraction || s[i] != '0';
  }
  return true;
}

// ISO date, time or time stamp: appended in its form, or false with `out` untouched.
bool AppendIsoDateTime(std::string_view s, std::string& out) {
  int hour, minute, second;
  bool fraction;
  if (s.size() >= 8 && s[2] == ':') {
    if (!ParseTime(s, 0, true, hour, minute, second, fraction)) return false;
    AppendTime(hour, minute, second, out);
    return true;
  }
  const int year = Digits(s, 0, 4), month = Digits(s, 5, 2), day = Digits(s, 8, 2);
  if (s.size() < 10 || s[4] != '-' || s[7] != '-' || year < 0 || !IsRealDay(year, month, day)) return false;
  if (s.size() == 10) {
    AppendDate(year, month, day, out);
    return true;
  }
  if (s.size() < 16 || (s[10] != ' ' && s[10] != 'T') ||
      !ParseTime(s, 11, false, hour, minute, second, fraction)) {
    return false;
  }
  AppendTimestamp(year, month, day, hour, minute, second, fraction ? 1 : 0, out);
  return true;
}

// A float's text: plain decimals of up to 15 significant digits already are their own form
// (the digits a double keeps), others go through a double.
bool AppendFloatValue(std::string_view s, std::string& out) {
  std::size_t i = s.empty() || s[0] != '-' ? 0 : 1;
  if (i == s.size() || !IsDigit(s[i])) return false;
  int significant = 0;
  bool plain = true, leading = true;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (IsDigit(c)) {
      leading = leading && c == '0';
      if (!leading) ++significant;
    } else if (c != '.') {
      plain = false;
      break;
    }
  }
  if (plain && significant <= 15) {
    AppendDecimal(s, out);
    return true;
  }
  double value = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), value);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
  AppendDouble(value, out);
  return true;
}

bool IsInteger(std::string_view s) {
  std::size_t i = !s.empty() && s[0] == '-' ? 1 : 0;
  if (i == s.size()) return false;
  for (; i < s.size(); ++i) {
    if (!IsDigit(s[i])) return false;
  }
  return true;
}

}  // namespace

std::string_view StoredValueText(StoredForm form, std::string_view stored, std::string& scratch) {
  scratch.clear();
  bool formed = false;
  switch (form) {
    case StoredForm::kAsStored:
      break;
    case StoredForm::kFloat:
      formed = !IsInteger(stored) && AppendFloatValue(stored, scratch);
      break;
    case StoredForm::kDecimal:
      AppendDecimal(stored, scratch);  // keeps what is not a plain decimal
      formed = scratch != stored && IsValidUtf8(scratch);
      if (!formed) scratch.clear();
      break;
    case StoredForm::kDateTime:
      formed = AppendIsoDateTime(stored, scratch);
      break;
    case StoredForm::kBit:
      if (stored == "1" || stored == "0") {
        AppendBit(stored == "1", scratch);
        formed = true;
      }
      break;
  }
  if (formed) return scratch;
  if (IsValidUtf8(stored)) return stored;
  AppendRepairedUtf8(stored, scratch);
  return scratch;
}

void AppendInteger(std::int64_t value, std::string& out) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, r.ptr);
}

void AppendUnsigned(std::uint64_t value, std::string& out) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, r.ptr);
}

void AppendDouble(double value, std::string& out) {
  char buf[40];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
  AppendFloatText(buf, r.ptr, out);
}

void AppendReal(double value, std::string& out) {
  // Out of float range the conversion itself is undefined: such a value is no float anyway.
  if (std::isfinite(value) && std::fabs(value) <= FLT_MAX &&
      static_cast<double>(static_cast<float>(value)) == value) {
    const float single = static_cast<float>(value);
    char buf[40];
    for (int digits = 7; digits <= 9; ++digits) {
      auto r = std::to_chars(buf, buf + sizeof buf, single, std::chars_format::general, digits);
      float back = 0;
      std::from_chars(buf, r.ptr, back);
      if (back == single || digits == 9) {
        AppendFloatText(buf, r.ptr, out);
        return;
      }
    }
  }
  AppendDouble(value, out);
}

void AppendDecimal(std::string_view text, std::string& out) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  std::string_view body = text;
  bool negative = false;
  if (!body.empty() && (body.front() == '-' || body.front() == '+')) {
    negative = body.front() == '-';
    body.remove_prefix(1);
  }
  std::size_t point = body.find('.');
  std::string_view whole = body.substr(0, point);
  std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : body.substr(point + 1);
  auto digits_only = [](std::string_view s) {
    for (char c : s) {
      if (c < '0' || c > '9') return false;
    }
    return true;
  };
  if (body.empty() || !digits_only(whole) || !digits_only(fraction) ||
      (whole.empty() && fraction.empty())) {
    out.append(text);  // exponent forms, words: not ours to reshape
    return;
  }
  while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
  bool zero = fraction.empty() && whole.find_first_not_of('0') == std::string_view::npos;
  if (zero) {
    out.push_back('0');
    return;
  }
  if (negative) out.push_back('-');
  if (whole.empty()) out.push_back('0');
  out.append(whole);
  if (!fraction.empty()) {
    out.push_back('.');
    out.append(fraction);
  }
}

void AppendDate(int year, int month, int day, std::string& out) {
  if (year >= 0 && year < 10000) {
    for (int div = 1000; div > 0; div /= 10)
      out.push_back(static_cast<char>('0' + year / div % 10));
  } else {
    AppendNumber(year, out);
  }
  out.push_back('/');
  AppendTwoDigits(month, out);
  out.push_back('/');
  AppendTwoDigits(day, out);
}

void AppendTime(int hour, int minute, int second, std::string& out) {
  AppendNumber(hour, out);
  out.push_back(':');
  AppendTwoDigits(minute, out);
  out.push_back(':');
  AppendTwoDigits(second, out);
}

void AppendTimestamp(int year, int month, int day, int hour, int minute, int second,
                     std::uint32_t fraction, std::string& out) {
  AppendDate(year, month, day, out);
  if (hour == 0 && minute == 0 && second == 0 && fraction == 0) return;
  out.push_back(' ');
  AppendTime(hour, minute, second, out);
}

void AppendHex(const unsigned char* bytes, std::size_t count, std::string& out) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::size_t at = out.size();
  out.resize(at + 2 * count);
  for (std::size_t i = 0; i < count; ++i) {
    out[at + 2 * i] = kDigits[bytes[i] >> 4];
    out[at + 2 * i + 1] = kDigits[bytes[i] & 0x0F];
  }
}

void AppendBit(bool value, std::string& out) { out.append(value ? "True" : "False"); }

}  // namespace kelvax::odbc
