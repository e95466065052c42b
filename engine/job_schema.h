// The job file's vocabulary in one place: its nine keys, how each is read, the output kinds and
// the switch words. The reader, the checker, the runner, the macro expansion, the report of
// --check and the command center's task all take them from here.
#pragma once

#include <string>

#include "engine/job_task.h"

namespace kelvax {

enum class JobKey {
  kDsn01,
  kDsn02,
  kSql01,
  kSql02,
  kOutput,
  kExport,
  kIndicator,
  kShowData,
  kCounter,
  kEncoding,
};

// How a key's value is read from the file, after trimming.
enum class JobCasing {
  kAsWritten,  // statements, connect strings, paths: they have case on the server and the disk
  kKeyword,    // compared without regard to case, so upper-cased
  kCounter,    // ON and OFF upper-cased, a count statement of its own kept as written
};

struct JobKeyInfo {
  JobKey key;
  const char* name;
  JobCasing casing;
  bool takes_macros;  // %DATE% and the others are expanded in it
};

// The keys in the order a job file lists them.
inline constexpr JobKeyInfo kJobKeys[] = {
    {JobKey::kDsn01, "DSN01", JobCasing::kAsWritten, true},
    {JobKey::kDsn02, "DSN02", JobCasing::kAsWritten, true},
    {JobKey::kSql01, "SQL01", JobCasing::kAsWritten, true},
    {JobKey::kSql02, "SQL02", JobCasing::kAsWritten, true},
    {JobKey::kOutput, "OUTPUT", JobCasing::kKeyword, false},
    {JobKey::kExport, "EXPORT", JobCasing::kAsWritten, true},
    {JobKey::kIndicator, "INDICATOR", JobCasing::kKeyword, false},
    {JobKey::kShowData, "SHOWDATA", JobCasing::kKeyword, false},
    {JobKey::kCounter, "COUNTER", JobCasing::kCounter, true},
    {JobKey::kEncoding, "ENCODING", JobCasing::kKeyword, false},
};

// The order a task's values appear in a fatal record (the nine keys the record has always had).
inline constexpr JobKey kRecordOrder[] = {JobKey::kDsn01,     JobKey::kSql01,    JobKey::kDsn02,
                                          JobKey::kSql02,     JobKey::kOutput,   JobKey::kExport,
                                          JobKey::kIndicator, JobKey::kShowData, JobKey::kCounter};

std::string& JobField(JobTask& task, JobKey key);
const std::string& JobField(const JobTask& task, JobKey key);

// "DSN01 DSN02 SQL01 ...": the keys for a message.
std::string JobKeyList();

inline constexpr const char* kSwitchOn = "ON";
inline constexpr const char* kSwitchOff = "OFF";

// ENCODING: the bytes of a TAB, CSV or HTML file. Empty is CP932.
enum class OutputEncoding { kCp932, kUtf8, kUtf8Bom, kUnknown };
OutputEncoding OutputEncodingOf(const std::string& encoding);
// "CP932 UTF-8 UTF-8-BOM", with `separator` between: the encodings for a message.
std::string OutputEncodingList(const char* separator);

// OUTPUT, as the runner acts on it.
enum class OutputKind { kTab, kCsv, kClipboard, kHtml, kExcel, kOff, kInsert, kUpdate, kUnknown };

// The kind an (upper-cased) OUTPUT value names: TAB CSV CRIP HTML EXCEL OFF INSERT UPDATE.
OutputKind OutputKindOf(const std::string& output);
// The word a job file uses for `kind` ("CRIP" for the clipboard; empty for kUnknown).
const char* OutputWord(OutputKind kind);
// "TAB CSV CRIP HTML EXCEL OFF INSERT UPDATE", up to `last`: the kinds for a message.
std::string OutputWordList(const char* separator, OutputKind last = OutputKind::kUpdate);

}  // namespace kelvax
