// The process's file-creation mask. umask() reports it only by setting a new one, and a file
// another thread creates in that moment would get the wrong mode; so the mask is read without
// changing it where the kernel shows it, once, and kept.
#pragma once

#include <sys/types.h>

namespace kelvax {

// Reads the mask and keeps it for ProcessUmask. Call first in main, before any thread is
// started: where /proc does not show the mask it is read by setting it and back. Calling it
// again reads the mask anew (for a test that changes it).
void RememberUmask();

// The mask RememberUmask kept; the first call reads it when nothing has.
mode_t ProcessUmask();

}  // namespace kelvax
