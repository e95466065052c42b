#include "platform/process/heap.h"

#include <malloc.h>

namespace kelvax {

void KeepFreedHeapForReuse() {
  // Trimmed only when 64 MiB at the top are free; a failure leaves the default, which works.
  (void)mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
}

}  // namespace kelvax
