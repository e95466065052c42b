// ResolvePath on any path, from inside a temporary folder of mixed-case names. The result keeps
// the path's components (each equal to the one written, ASCII letters without regard to case),
// separated by '/', and a component found by case is the name on disk.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fs/resolve_path.h"
#include "platform/text/ascii_case.h"
#include "tests/fuzz/check.h"

namespace {

std::vector<std::string> Components(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  std::istringstream in(path);
  std::vector<std::string> parts;
  for (std::string part; std::getline(in, part, '/');) {
    if (!part.empty()) parts.push_back(part);
  }
  return parts;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char folder[] = "/tmp/kelvax-fuzz-path-XXXXXX";
  if (!mkdtemp(folder) || chdir(folder) != 0) std::abort();
  mkdir("Data", 0755);
  mkdir("Data/Sub", 0755);
  std::ofstream{"Data/Sub/Out.csv"};
  std::ofstream{"Data/report.TXT"};
  std::ofstream{"dup"};
  std::ofstream{"DUP"};
  mkdir("日本語", 0755);
  std::ofstream{"日本語/Ab.ini"};
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path(reinterpret_cast<const char*>(data), size);
  if (path.find('\0') != std::string::npos) return 0;  // no file name holds one
  const std::string resolved = kelvax::ResolvePath(path);
  FUZZ_CHECK(resolved.find('\\') == std::string::npos, resolved, path);
  const auto want = Components(path);
  const auto got = Components(resolved);
  FUZZ_CHECK(got.size() == want.size(), resolved, path);
  for (size_t i = 0; i < got.size(); ++i) {
    FUZZ_CHECK(kelvax::UpperAscii(got[i]) == kelvax::UpperAscii(want[i]), got[i], want[i]);
  }
  if (!path.empty() && (path[0] == '/' || path[0] == '\\'))
    FUZZ_CHECK(resolved[0] == '/', resolved);
  return 0;
}
