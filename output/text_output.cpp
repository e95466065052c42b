#include "output/text_output.h"

#include "output/line_builder.h"
#include "output/line_sink.h"
#include "output/row_loop.h"

namespace kelvax {

namespace {

class TextWriter : public RowWriter {
 public:
  explicit TextWriter(Separator separator) : builder_(separator) {}

  bool Begin(WriterRun& run) override {
    if (Status s = sink_.Create(run.path, run.encoding); !s && !run.Fail(s)) return false;
    builder_.Header(run.result, run.last_column);
    return run.WriteLine(sink_, builder_.line());
  }
  bool Row(WriterRun& run) override {
    if (!builder_.Row(run)) return false;
    builder_.EndLine();
    return run.WriteLine(sink_, builder_.line());
  }
  void Finish(WriterRun& run) override { run.Finish(sink_); }

 private:
  LineBuilder builder_;
  LineSink sink_;
};

}  // namespace

void WriteTextFile(WriterRun& run, Separator separator) {
  TextWriter writer(separator);
  WriteRows(run, writer);
}

}  // namespace kelvax
