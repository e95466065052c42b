// What the driver manager knows: the data sources (user and system) and the installed drivers,
// and a read-only test connect that gives back the driver's completed connect string. These
// feed the data-source dialog, which stands in for the prompt dialog unixODBC does not have.
#pragma once

#include <string>
#include <vector>

#include "platform/status.h"

namespace kelvax::odbc {

struct DataSource {
  std::string name;    // the DSN
  std::string driver;  // the driver the source names (an odbcinst.ini section)
  bool system = false;
};

// User data sources first, then system ones, each in the driver manager's order. A name listed
// in both (names match without regard to case, as the driver manager looks them up) is listed
// once, as the user's, since that is the one a connect finds.
Status ListDataSources(std::vector<DataSource>& sources);

// The names of the installed drivers (the section names of odbcinst.ini).
Status ListDrivers(std::vector<std::string>& drivers);

// "KEY=value", the value enclosed in braces (a '}' inside doubled) when it holds ';', '{' or
// '}' or begins or ends with a space, so that it reaches the driver as one value.
std::string ConnectAttribute(const std::string& key, const std::string& value);

// Connects with `connect_string` exactly, without prompting, asking for read-only access, and
// disconnects again. On success `completed` is the connect string the driver completed (the
// given one when the driver completes nothing, or gives a string that names neither a data
// source nor a driver and so could not connect again). A failure carries the driver's message.
Status TestConnect(const std::string& connect_string, std::string& completed);

}  // namespace kelvax::odbc
