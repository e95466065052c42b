#include "engine/job_file.h"

#include <cmath>
#include <cstdio>

#include "engine/job_schema.h"
#include "engine/row_count.h"
#include "platform/text/trim.h"

namespace kelvax {

std::string TrimBlanks(const std::string& s) { return std::string(TrimChars(s, " ")); }

namespace {

// The last `count` characters of a UTF-8 text.
std::string LastCharacters(const std::string& s, size_t count) {
  size_t pos = s.size();
  while (count > 0 && pos > 0) {
    --pos;
    while (pos > 0 && (static_cast<unsigned char>(s[pos]) & 0xC0) == 0x80) --pos;
    --count;
  }
  return s.substr(pos);
}

// The leading number of a text as the job's task count reads it: blanks skipped, digits with an
// optional sign and decimal point up to the first other character, no digits giving 0.
double LeadingNumber(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  std::string digits;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) digits.push_back(s[i++]);
  bool point = false;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (c >= '0' && c <= '9') {
      digits.push_back(c);
    } else if (c == '.' && !point) {
      point = true;
      digits.push_back(c);
    } else if (c == ' ' || c == '\t') {
      continue;  // blanks inside a number are skipped as well
    } else {
      break;
    }
  }
  double value = 0;
  if (std::sscanf(digits.c_str(), "%lf", &value) != 1) return 0;
  return value;
}

}  // namespace

std::string GetIniString(const std::string& path, const std::string& section,
                         const std::string& key) {
  return IniFile::Load(path).Get(section, key);
}

Status GetIniList(const std::string& path, int& count) {
  return GetIniList(IniFile::Load(path), count);
}

Status GetIniList(const IniFile& file, int& count) {
  count = 0;
  const auto& names = file.SectionNames();
  if (names.empty()) {
    return Status::Error(StatusCode::kInvalidArgument,
                         "プロシージャの呼び出し、または引数が不正です。");
  }
  double n = LeadingNumber(LastCharacters(names.back(), 2));
  count = static_cast<int>(std::nearbyint(n));  // half to even, as the count is rounded
  return Status::Ok();
}

std::string TaskSectionName(int task_number) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "CONNECTION%02d", task_number);
  return buf;
}

std::string UpperCase(const std::string& utf8) {
  std::string out = utf8;
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 32);
    } else if (c == 0xEF && i + 2 < out.size()) {
      // Full-width ａ..ｚ (U+FF41..U+FF5A) to Ａ..Ｚ (U+FF21..U+FF3A).
      unsigned char c1 = static_cast<unsigned char>(out[i + 1]);
      unsigned char c2 = static_cast<unsigned char>(out[i + 2]);
      if (c1 == 0xBD && c2 >= 0x81 && c2 <= 0x9A) {
        out[i + 1] = static_cast<char>(0xBC);
        out[i + 2] = static_cast<char>(c2 + 0x20);
      }
      i += 2;
    }
  }
  return out;
}

void PrepareRowCount(JobTask& task) {
  if (task.COUNTER == kSwitchOn) task.COUNTER = RowCountStatement(task.SQL01);
}

void ReadJobTask(const IniFile& file, int task_number, JobTask& task) {
  task.SectionName = TaskSectionName(task_number);
  for (const JobKeyInfo& k : kJobKeys) {
    std::string value = TrimBlanks(file.Get(task.SectionName, k.name));
    switch (k.casing) {
      case JobCasing::kAsWritten:
        break;
      case JobCasing::kKeyword:
        value = UpperCase(value);
        break;
      case JobCasing::kCounter:
        if (const std::string word = UpperCase(value); word == kSwitchOn || word == kSwitchOff) {
          value = word;
        }
        break;
    }
    JobField(task, k.key) = std::move(value);
  }
}

}  // namespace kelvax
