// The current task: the section being run and its values, upper-cased and trimmed when
// read, then rewritten by the row-count step and the macro expansion. Every worker reads its
// inputs from here, never from the job file.
#pragma once

#include <string>

namespace kelvax {

struct JobTask {
  std::string SectionName;
  std::string DSN01;
  std::string DSN02;
  std::string SQL01;
  std::string SQL02;
  std::string OUTPUT;
  std::string EXPORT;
  std::string INDICATOR;
  std::string SHOWDATA;
  std::string COUNTER;
  std::string ENCODING;
};

}  // namespace kelvax
