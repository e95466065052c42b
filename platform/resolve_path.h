// Job values arrive upper-cased, so on a case-sensitive file system a path from a job is
// resolved one component at a time: the exact name first, else a unique case-insensitive match
// in that folder, else the component as written. A missing final component is kept as written
// (it may be a file to create). '\' and '/' both separate; the result uses '/'.
#pragma once

#include <string>

namespace kelvax {

std::string ResolvePath(const std::string& path);

}  // namespace kelvax
