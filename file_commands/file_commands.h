// The file-database and file-copy commands named in DSN01. Each logs its own failure as one
// record and returns; the first failing step ends the command. FILECOPY first removes what a
// killed copy onto the same destination left, with a record that names it (not a failure).
#pragma once

#include <string>

#include "engine/workers.h"

namespace kelvax {

std::string CreateMdb97(TaskContext& context, const std::string& job_path, const std::string& section);
std::string CreateQuery97(TaskContext& context, const std::string& job_path, const std::string& section);
std::string RunQuery97(TaskContext& context, const std::string& job_path, const std::string& section);
std::string CompactMdb97(TaskContext& context, const std::string& job_path, const std::string& section);
std::string RunFileCopy(TaskContext& context, const std::string& job_path, const std::string& section);

}  // namespace kelvax
