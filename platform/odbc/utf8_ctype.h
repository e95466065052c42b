// The character set of the text the driver manager converts. unixODBC converts the wide calls
// for drivers that only have the narrow ones (the SQLite driver among them) with iconv's "char",
// the LC_CTYPE character set. In the C locale that is ASCII and every Japanese character is
// lost, so the program's text (UTF-8 throughout) needs a UTF-8 LC_CTYPE.
#pragma once

namespace kelvax::odbc {

// Switches LC_CTYPE to UTF-8 when it is not already; number formatting keeps its locale. The
// locale is the whole process's: call first in main, before any thread is started, and again
// after anything that sets it from the environment (the window toolkit does as it starts).
void UseUtf8Ctype();

}  // namespace kelvax::odbc
