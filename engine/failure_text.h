// How a failure reads in the run log's record, "number:text": the number and standard text each
// kind has had in the log since its first version, a driver's own number (or its SQLSTATE's
// class when it gave none), and the failure's own words where it has them. Used only where
// records and messages are written.
#pragma once

#include <string>

#include "platform/status.h"

namespace kelvax {

long RecordNumber(const Status& status);
// The failure's own words, or its kind's standard text when it has none.
std::string RecordText(const Status& status);

}  // namespace kelvax
