#include "app/standard_workers.h"

#include "export/export_result.h"
#include "file_commands/file_commands.h"
#include "output/output_result.h"

namespace kelvax {

Workers StandardWorkers() {
  Workers w;
  w.OutputResult = OutputResult;
  w.ExportResult = ExportResult;
  w.CreateMdb97 = CreateMdb97;
  w.CreateQuery97 = CreateQuery97;
  w.RunQuery97 = RunQuery97;
  w.CompactMdb97 = CompactMdb97;
  w.RunFileCopy = RunFileCopy;
  return w;
}

}  // namespace kelvax
