#include "app/show_log.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "platform/text/cp932.h"
#include "platform/text/terminal_text.h"

namespace kelvax {

int ShowLog(const std::string& path, std::FILE* out, std::FILE* err) {
  auto fail = [&](int e) {
    std::fprintf(err, "kelvax: cannot read the run log %s: %s\n", path.c_str(), std::strerror(e));
    return 2;
  };
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return fail(errno);
  if (S_ISDIR(st.st_mode)) return fail(EISDIR);
  std::ifstream in(path, std::ios::binary);
  if (!in) return fail(errno ? errno : EACCES);
  // A line end is never part of a two-byte character: each line converts on its own.
  for (std::string line; std::getline(in, line);) {
    if (line.ends_with('\r')) line.pop_back();
    std::string text = ToTerminalText(FromCp932(line));
    if (!in.eof()) text.push_back('\n');
    // A reader that went away (head, a closed pager) has all it wanted.
    if (std::fwrite(text.data(), 1, text.size(), out) != text.size()) return 0;
  }
  if (in.bad()) return fail(EIO);
  std::fflush(out);
  return 0;
}

}  // namespace kelvax
