#include "platform/odbc/driver_family.h"

#include <odbcinst.h>

#include "platform/odbc/connect_string.h"
#include "platform/text/ascii_case.h"

namespace kelvax::odbc {

namespace {

DriverFamily FamilyOfDriver(const std::string& driver) {
  const std::string d = UpperAscii(driver);
  for (const char* name : {"MARIADB", "MAODBC", "MYSQL", "MYODBC"}) {
    if (d.find(name) != std::string::npos) return DriverFamily::kMysql;
  }
  for (const char* name : {"POSTGRES", "PSQLODBC"}) {
    if (d.find(name) != std::string::npos) return DriverFamily::kPostgres;
  }
  return DriverFamily::kOther;
}

}  // namespace

DriverFamily DriverFamilyOf(const std::string& connect_string) {
  // Whichever of DRIVER and DSN comes first names the driver, as the driver manager reads it.
  for (const ConnectPair& a : ConnectPairs(connect_string)) {
    const std::string key = UpperAscii(std::string(a.key));
    const std::string value = Unbraced(a.value);
    if (key == "DRIVER") return FamilyOfDriver(value);
    if (key == "DSN") {
      char driver[1024] = "";
      if (SQLGetPrivateProfileString(value.c_str(), "Driver", "", driver, sizeof driver,
                                     "odbc.ini") <= 0) {
        return DriverFamily::kOther;
      }
      return FamilyOfDriver(driver);
    }
  }
  return DriverFamily::kOther;
}

}  // namespace kelvax::odbc
