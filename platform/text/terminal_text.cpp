#include "platform/text/terminal_text.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <cstring>

namespace kelvax {

namespace {

std::string LocaleCodeset() {
  locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (loc == static_cast<locale_t>(nullptr)) return "UTF-8";
  std::string codeset = nl_langinfo_l(CODESET, loc);
  freelocale(loc);
  return codeset;
}

bool PassesUnchanged(const std::string& codeset) {
  return codeset.empty() || codeset == "UTF-8" || codeset == "utf8" || codeset == "ANSI_X3.4-1968";
}

}  // namespace

std::string ToTerminalText(std::string_view utf8) {
  const std::string codeset = LocaleCodeset();
  if (PassesUnchanged(codeset)) return std::string(utf8);
  iconv_t cd = iconv_open(codeset.c_str(), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(utf8);
  std::string out;
  char buf[4096];
  char* in = const_cast<char*>(utf8.data());
  size_t in_left = utf8.size();
  while (in_left > 0) {
    char* o = buf;
    size_t o_left = sizeof buf;
    const size_t rc = iconv(cd, &in, &in_left, &o, &o_left);
    out.append(buf, o - buf);
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      // A character the encoding lacks, or a broken sequence: one '?' for the whole character.
      out.push_back('?');
      do {
        ++in;
        --in_left;
      } while (in_left > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace kelvax
