// Run-log records made comparable.
#pragma once

#include <string>
#include <vector>

namespace kelvax::test {

// The records of the run log at `path`, without the 79-hyphen separator and the empty line that
// follow each, decoded from CP932; "yyyy/mm/dd h:mm:ss" replaced by "<TS>" and the "hh:mm:ss"
// before 経過しています/かかりました by "<ET>".
std::vector<std::string> ReadLogRecords(const std::string& path);

}  // namespace kelvax::test
