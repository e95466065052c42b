// Which driver a connect string names, before connecting: from its Driver attribute, or the
// Driver of the data source it names (odbc.ini, through odbcinst). Only where the program must
// treat a driver differently before the driver can say what it is.
#pragma once

#include <string>

namespace kelvax::odbc {

enum class DriverFamily { kOther, kPostgres, kMysql };

DriverFamily DriverFamilyOf(const std::string& connect_string);

}  // namespace kelvax::odbc
