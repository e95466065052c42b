// Replacing a file so that the destination is never left half-written: the new content goes to
// a temporary file in the destination's folder, is flushed to disk and renamed over the
// destination. A failure leaves the old destination as it was.
#pragma once

#include <functional>
#include <string>

#include "platform/status.h"

namespace kelvax {

// Copies the regular file `source` onto `destination`; anything else at `source` (a folder, a
// FIFO, a device, a socket) is refused without reading from it. Permission bits as a plain copy
// gives them: a new destination gets the source's read/write/execute bits less the umask (never
// setuid, setgid or sticky); an existing one keeps its mode, and its owner and group where the
// process may set them. `stop`, when given, is asked between chunks: when it answers true, the
// new file is removed, the destination stays as it was, and the copy returns without a failure.
Status CopyFileReplacing(const std::string& source, const std::string& destination,
                         const std::function<bool()>& stop = {});

}  // namespace kelvax
