// Run-log text made comparable: time stamps and elapsed times that depend on the clock are
// replaced by fixed marks, and CP932 bytes decoded.
#pragma once

#include <string>
#include <vector>

namespace kelvax::test {

// Replaces "yyyy/mm/dd h:mm:ss" by "<TS>" and "hh:mm:ss" before 経過しています/かかりました by
// "<ET>".
std::string NormalizeClock(const std::string& utf8);

// The records of the run log at `path`, decoded from CP932 and normalized.
std::vector<std::string> ReadLogRecords(const std::string& path);

}  // namespace kelvax::test
