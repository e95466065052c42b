// The table of workers the program runs tasks with.
#pragma once

#include "engine/workers.h"

namespace kelvax {

Workers StandardWorkers();

}  // namespace kelvax
