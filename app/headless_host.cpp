#include "app/headless_host.h"

#include "platform/file_ops.h"

namespace kelvax {

void HeadlessHost::ShellOpen(const std::string& path) { kelvax::ShellOpen(path); }

}  // namespace kelvax
