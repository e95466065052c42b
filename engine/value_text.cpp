#include "engine/value_text.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>

namespace kelvax {

namespace {

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

}  // namespace

// The shortest digits that read back as `value`, laid out as 15 significant digits would be:
// plain below an exponent of 15 and from -4 on, else d.dddE+XX. Where 15 digits read back
// exactly this is the same text, so only values 15 digits would have changed look different.
void AppendDouble(double value, std::string& out) {
  if (!std::isfinite(value) || value == 0) {
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general);
    AppendFloatText(buf, r.ptr, out);
    return;
  }
  char buf[40];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  std::string_view sci(buf, static_cast<std::size_t>(r.ptr - buf));
  const std::size_t e = sci.find('e');
  int exponent = 0;
  std::from_chars(sci.data() + e + 1 + (sci[e + 1] == '+' ? 1 : 0), sci.data() + sci.size(),
                  exponent);
  std::string_view mantissa = sci.substr(0, e);
  if (mantissa.front() == '-') {
    out.push_back('-');
    mantissa.remove_prefix(1);
  }
  char digit_buf[32];
  std::size_t count = 0;
  for (char c : mantissa) {
    if (c != '.') digit_buf[count++] = c;
  }
  const std::string_view digits(digit_buf, count);
  if (exponent < -4 || exponent >= 15) {
    out.push_back(digits[0]);
    if (digits.size() > 1) {
      out.push_back('.');
      out.append(digits.substr(1));
    }
    out.push_back('E');
    out.push_back(exponent < 0 ? '-' : '+');
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10) out.push_back('0');
    AppendNumber(magnitude, out);
    return;
  }
  if (exponent < 0) {
    out.append("0.");
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out.append(digits);
    return;
  }
  const auto whole = static_cast<std::size_t>(exponent) + 1;
  if (digits.size() <= whole) {
    out.append(digits);
    out.append(whole - digits.size(), '0');
    return;
  }
  out.append(digits.substr(0, whole));
  out.push_back('.');
  out.append(digits.substr(whole));
}

std::string_view ValueText(const odbc::Value& value, std::string& scratch) {
  using Kind = odbc::Value::Kind;
  if (value.kind == Kind::kText) return value.bytes;
  if (value.kind == Kind::kNull) return {};
  scratch.clear();
  AppendValueText(value, scratch);
  return scratch;
}

void AppendValueText(const odbc::Value& value, std::string& out) {
  using Kind = odbc::Value::Kind;
  switch (value.kind) {
    case Kind::kNull:
      break;
    case Kind::kText:
      out.append(value.bytes);
      break;
    case Kind::kInteger:
      AppendInteger(value.integer, out);
      break;
    case Kind::kUnsigned: {
      char buf[24];
      auto r = std::to_chars(buf, buf + sizeof buf, value.unsigned_integer);
      out.append(buf, r.ptr);
      break;
    }
    case Kind::kDecimal:
      AppendDecimal(value.bytes, out);
      break;
    case Kind::kFloat:
      AppendDouble(value.number, out);
      break;
    case Kind::kReal:
      AppendReal(value.number, out);
      break;
    case Kind::kBoolean:
      out.append(value.boolean ? "True" : "False");
      break;
    case Kind::kDate:
      AppendDate(value.time.year, value.time.month, value.time.day, out);
      break;
    case Kind::kTime:
      AppendTime(value.time.hour, value.time.minute, value.time.second, value.time.nanosecond, out);
      break;
    case Kind::kTimestamp:
      AppendTimestamp(value.time, out);
      break;
    case Kind::kBinary:
      AppendHex(reinterpret_cast<const unsigned char*>(value.bytes.data()), value.bytes.size(),
                out);
      break;
  }
}

void AppendInteger(std::int64_t value, std::string& out) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, r.ptr);
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
  while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);
  if (whole.empty()) out.push_back('0');
  out.append(whole);
  if (!fraction.empty()) {
    out.push_back('.');
    out.append(fraction);
  }
}

namespace {

// The forms below are laid out in a small buffer and appended once: a value per row and column
// goes through them.
char* PutTwoDigits(int value, char* at) {
  at[0] = static_cast<char>('0' + (value / 10) % 10);
  at[1] = static_cast<char>('0' + value % 10);
  return at + 2;
}

char* PutDate(int year, int month, int day, char* at, char* end) {
  if (year >= 0 && year < 10000) {
    at = PutTwoDigits(year / 100, at);
    at = PutTwoDigits(year % 100, at);
  } else {
    at = std::to_chars(at, end, year).ptr;
  }
  *at++ = '/';
  at = PutTwoDigits(month, at);
  *at++ = '/';
  return PutTwoDigits(day, at);
}

char* PutTime(int hour, int minute, int second, std::uint32_t nanosecond, char* at, char* end) {
  at = std::to_chars(at, end, hour).ptr;
  *at++ = ':';
  at = PutTwoDigits(minute, at);
  *at++ = ':';
  at = PutTwoDigits(second, at);
  if (nanosecond == 0) return at;
  char digits[9];
  std::uint32_t rest = nanosecond;
  for (int i = 8; i >= 0; --i, rest /= 10) digits[i] = static_cast<char>('0' + rest % 10);
  int length = 9;
  while (digits[length - 1] == '0') --length;
  *at++ = '.';
  std::memcpy(at, digits, static_cast<std::size_t>(length));
  return at + length;
}

}  // namespace

void AppendDate(int year, int month, int day, std::string& out) {
  char buf[40];
  out.append(buf, PutDate(year, month, day, buf, buf + sizeof buf));
}

void AppendTime(int hour, int minute, int second, std::uint32_t nanosecond, std::string& out) {
  char buf[48];
  out.append(buf, PutTime(hour, minute, second, nanosecond, buf, buf + sizeof buf));
}

void AppendTimestamp(const odbc::DateTime& t, std::string& out) {
  char buf[96];
  char* const end = buf + sizeof buf;
  char* at = PutDate(t.year, t.month, t.day, buf, end);
  if (t.hour != 0 || t.minute != 0 || t.second != 0 || t.nanosecond != 0) {
    *at++ = ' ';
    at = PutTime(t.hour, t.minute, t.second, t.nanosecond, at, end);
  }
  out.append(buf, at);
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

}  // namespace kelvax
