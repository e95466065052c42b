// Pieces of run-log records shared by the workers.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace kelvax {

constexpr const char* kCrLf = "\r\n";

// A record for the run log: the time stamp followed by `headline` (which brings its own leading
// blank), `second` (what failed, or what was counted), then one line per field; every line ends
// in CR LF. Fields go in as given: mask the ones that may hold a password.
std::string LogRecord(std::string_view headline, std::string_view second,
                      std::initializer_list<std::string_view> fields);

// The failure record: LogRecord with "number:description" as its second line.
std::string FailureRecord(std::string_view headline, const Status& status,
                          std::initializer_list<std::string_view> fields);

}  // namespace kelvax
