// Replacing a file so that the destination is never left half-written: the new content goes to
// a temporary file in the destination's folder, is flushed to disk and renamed over the
// destination. A failure leaves the old destination as it was.
#pragma once

#include <string>

#include "platform/status.h"

namespace kelvax {

// Copies the regular file `source` onto `destination`; anything else at `source` (a folder, a
// FIFO, a device, a socket) is refused without reading from it. Permission bits as a plain copy
// gives them: a new destination gets the source's read/write/execute bits less the umask (never
// setuid, setgid or sticky); an existing one keeps its mode, and its owner and group where the
// process may set them.
Status CopyFileReplacing(const std::string& source, const std::string& destination);

}  // namespace kelvax
