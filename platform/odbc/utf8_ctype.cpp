#include "platform/odbc/utf8_ctype.h"

#include <langinfo.h>
#include <strings.h>

#include <clocale>
#include <initializer_list>

namespace kelvax::odbc {

void UseUtf8Ctype() {
  const char* codeset = nl_langinfo(CODESET);
  if (codeset && (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0)) return;
  for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
    if (std::setlocale(LC_CTYPE, name)) return;
  }
}

}  // namespace kelvax::odbc
