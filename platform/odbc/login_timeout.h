// A data source that never answers must not hold a run (and its lock) for ever: a connect waits
// at most kLoginTimeoutSeconds, unless the connect string or the data source it names sets a
// timeout of its own (a key with TIMEOUT in its name, as drivers name theirs, or a value holding
// one, as a driver's pass-through option does).
#pragma once

#include <string>

#include "platform/odbc/driver_family.h"

namespace kelvax::odbc {

inline constexpr int kLoginTimeoutSeconds = 30;

struct LoginTimeout {
  bool set_attribute = false;  // SQL_ATTR_LOGIN_TIMEOUT, which most drivers honour
  std::string connect_string;  // the given one, with the driver's own key where it needs one
};

// What to ask of the driver manager for `connect_string`, whose driver is of `family`
// (DriverFamilyOf). The MariaDB and MySQL drivers ignore the ODBC attribute during their
// handshake, so for them CONN_TIMEOUT is added to the string.
LoginTimeout LoginTimeoutFor(const std::string& connect_string, DriverFamily family);

}  // namespace kelvax::odbc
