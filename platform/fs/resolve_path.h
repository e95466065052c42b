// Paths from jobs were written for file systems without case, so on a case-sensitive one a path
// is resolved one component at a time: the exact name first, else the one name in that folder
// that differs from it only in the case of its letters (any script's), else the component as
// written. A missing final component is kept as written
// (it may be a file to create). '\' and '/' both separate; the result uses '/'.
#pragma once

#include <string>

namespace kelvax {

std::string ResolvePath(const std::string& path);

}  // namespace kelvax
