// A recording host that ends the PostgreSQL sandbox's client sessions from a second session once
// a given number of rows has been reported: a data source that goes away in the middle of a task.
#pragma once

#include <cstdint>

#include "tests/support/postgres_sandbox.h"
#include "tests/support/recording_host.h"

namespace kelvax::test {

class CuttingHost : public RecordingHost {
 public:
  CuttingHost(const PostgresSandbox* pg, std::int32_t after_rows)
      : pg_(pg), after_rows_(after_rows) {}
  void ShowProgress(std::int32_t rows, std::int32_t total, double start, double now) override {
    RecordingHost::ShowProgress(rows, total, start, now);
    if (rows == after_rows_) terminated = pg_->TerminateClientBackends();
  }
  int terminated = -1;  // sessions ended, -1 before the cut

 private:
  const PostgresSandbox* pg_;
  std::int32_t after_rows_;
};

}  // namespace kelvax::test
