// Copying a file so that the destination is never left half-written: the copy goes to a
// temporary file in the destination's folder, is flushed to disk and renamed over the
// destination. A failure leaves the old destination as it was.
#pragma once

#include <string>

#include "platform/status.h"

namespace kelvax {

Status CopyFileReplacing(const std::string& source, const std::string& destination);

}  // namespace kelvax
