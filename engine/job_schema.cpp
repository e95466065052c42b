#include "engine/job_schema.h"

namespace kelvax {

namespace {

constexpr struct {
  OutputKind kind;
  const char* word;
} kOutputWords[] = {
    {OutputKind::kTab, "TAB"},        {OutputKind::kCsv, "CSV"},
    {OutputKind::kClipboard, "CRIP"}, {OutputKind::kHtml, "HTML"},
    {OutputKind::kExcel, "EXCEL"},    {OutputKind::kOff, "OFF"},
    {OutputKind::kInsert, "INSERT"},  {OutputKind::kUpdate, "UPDATE"},
};

constexpr struct {
  OutputEncoding encoding;
  const char* word;
} kEncodingWords[] = {
    {OutputEncoding::kCp932, "CP932"},
    {OutputEncoding::kUtf8, "UTF-8"},
    {OutputEncoding::kUtf8Bom, "UTF-8-BOM"},
};

template <typename Task, typename Field>
Field& FieldOf(Task& task, JobKey key) {
  switch (key) {
    case JobKey::kDsn01:
      return task.DSN01;
    case JobKey::kDsn02:
      return task.DSN02;
    case JobKey::kSql01:
      return task.SQL01;
    case JobKey::kSql02:
      return task.SQL02;
    case JobKey::kOutput:
      return task.OUTPUT;
    case JobKey::kExport:
      return task.EXPORT;
    case JobKey::kIndicator:
      return task.INDICATOR;
    case JobKey::kShowData:
      return task.SHOWDATA;
    case JobKey::kCounter:
      return task.COUNTER;
    case JobKey::kEncoding:
      break;
  }
  return task.ENCODING;
}

}  // namespace

std::string& JobField(JobTask& task, JobKey key) {
  return FieldOf<JobTask, std::string>(task, key);
}

const std::string& JobField(const JobTask& task, JobKey key) {
  return FieldOf<const JobTask, const std::string>(task, key);
}

std::string JobKeyList() {
  std::string list;
  for (const JobKeyInfo& k : kJobKeys) list += (list.empty() ? "" : " ") + std::string(k.name);
  return list;
}

OutputEncoding OutputEncodingOf(const std::string& encoding) {
  if (encoding.empty()) return OutputEncoding::kCp932;
  for (const auto& w : kEncodingWords) {
    if (encoding == w.word) return w.encoding;
  }
  return OutputEncoding::kUnknown;
}

std::string OutputEncodingList(const char* separator) {
  std::string list;
  for (const auto& w : kEncodingWords)
    list += (list.empty() ? "" : separator) + std::string(w.word);
  return list;
}

OutputKind OutputKindOf(const std::string& output) {
  for (const auto& w : kOutputWords) {
    if (output == w.word) return w.kind;
  }
  return OutputKind::kUnknown;
}

const char* OutputWord(OutputKind kind) {
  for (const auto& w : kOutputWords) {
    if (w.kind == kind) return w.word;
  }
  return "";
}

std::string OutputWordList(const char* separator, OutputKind last) {
  std::string list;
  for (const auto& w : kOutputWords) {
    list += (list.empty() ? "" : separator) + std::string(w.word);
    if (w.kind == last) break;
  }
  return list;
}

}  // namespace kelvax
