#include "engine/connect.h"

#include "engine/job_file.h"
#include "platform/fs/resolve_path.h"
#include "platform/text/trim.h"

namespace kelvax {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The end of the value that starts at `v`: the next ';', or the ';' after a {...} block that
// may itself hold ';' ("}}" stands for one '}').
size_t ValueEnd(const std::string& cs, size_t v) {
  size_t scan = v;
  while (scan < cs.size() && IsBlank(cs[scan])) ++scan;
  if (scan < cs.size() && cs[scan] == '{') {
    size_t close = scan + 1;
    for (;;) {
      close = cs.find('}', close);
      if (close == std::string::npos) return cs.size();
      if (close + 1 < cs.size() && cs[close + 1] == '}') {
        close += 2;
        continue;
      }
      break;
    }
    const size_t semi = cs.find(';', close);
    return semi == std::string::npos ? cs.size() : semi;
  }
  const size_t semi = cs.find(';', v);
  return semi == std::string::npos ? cs.size() : semi;
}

std::string Trimmed(const std::string& s) { return std::string(TrimChars(s, " \t")); }

std::string ResolveValue(const std::string& key, const std::string& raw) {
  size_t b = 0, e = raw.size();
  while (b < e && IsBlank(raw[b])) ++b;
  while (e > b && IsBlank(raw[e - 1])) --e;
  size_t ib = b, ie = e;
  if (e - b >= 2 && raw[b] == '{' && raw[e - 1] == '}') {
    ++ib;
    --ie;
  }
  const std::string path = raw.substr(ib, ie - ib);
  if (path.empty()) return raw;
  const bool file_key = key == "DATABASE" || key == "DBQ";
  const bool absolute = path.front() == '/';
  const bool path_like = path.find_first_of("/\\.") != std::string::npos;
  if (!absolute && !(file_key && path_like)) return raw;
  return raw.substr(0, ib) + ResolvePath(path) + raw.substr(ie);
}

}  // namespace

std::string ResolveConnectPaths(const std::string& cs) {
  std::string out;
  size_t pos = 0;
  while (pos < cs.size()) {
    const size_t eq = cs.find('=', pos);
    const size_t semi = cs.find(';', pos);
    if (eq == std::string::npos || (semi != std::string::npos && semi < eq)) {
      const size_t end = semi == std::string::npos ? cs.size() : semi + 1;
      out.append(cs, pos, end - pos);
      pos = end;
      continue;
    }
    const size_t end = ValueEnd(cs, eq + 1);
    out.append(cs, pos, eq + 1 - pos);
    out +=
        ResolveValue(UpperCase(Trimmed(cs.substr(pos, eq - pos))), cs.substr(eq + 1, end - eq - 1));
    if (end < cs.size()) out.push_back(';');
    pos = end + 1;
  }
  return out;
}

Status OpenConnection(odbc::Environment& env, odbc::Connection& connection,
                      const std::string& connect_string, bool read_only) {
  return connection.Open(env, ResolveConnectPaths(connect_string), read_only);
}

}  // namespace kelvax
