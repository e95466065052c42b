// Compressing an output as it is written, in constant memory: gzip (zlib) or zstd, chosen by
// the output's name (.gz, .zst in any case). Nothing is compressed for any other name.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace kelvax {

enum class Compression { kNone, kGzip, kZstd };

Compression CompressionOf(const std::string& path);
// "gzip", "zstd", or empty.
const char* CompressionName(Compression compression);

class Compressor {
 public:
  explicit Compressor(Compression compression);
  ~Compressor();
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;

  Compression compression() const { return compression_; }
  // Appends the compressed form of `in` to `out` (for kNone, `in` itself).
  Status Add(std::string_view in, std::string& out);
  // Appends the end of the stream; after it, nothing more can be added.
  Status End(std::string& out);

 private:
  struct State;
  Compression compression_;
  std::unique_ptr<State> state_;
};

}  // namespace kelvax
