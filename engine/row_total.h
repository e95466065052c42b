// One value from the data source DSN01: the row total of the output writer and the export.
#pragma once

#include <cstdint>
#include <string>

#include "engine/workers.h"

namespace kelvax {

// The text form of column `index` of the first row `statement` returns on DSN01, over a
// read-only connection of its own; "0" (after a record, which does not count as the task's
// failure) when no value could be read.
std::string GetFieldValue(TaskContext& context, const std::string& statement, std::int16_t index);

}  // namespace kelvax
