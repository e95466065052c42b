#include "platform/compress/compressor.h"

#include <zlib.h>
#include <zstd.h>

#include "platform/text/ascii_case.h"

namespace kelvax {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

}  // namespace

Compression CompressionOf(const std::string& path) {
  const std::string upper = UpperAscii(path);
  if (upper.size() > 3 && upper.ends_with(".GZ")) return Compression::kGzip;
  if (upper.size() > 4 && upper.ends_with(".ZST")) return Compression::kZstd;
  return Compression::kNone;
}

const char* CompressionName(Compression compression) {
  switch (compression) {
    case Compression::kGzip:
      return "gzip";
    case Compression::kZstd:
      return "zstd";
    case Compression::kNone:
      break;
  }
  return "";
}

struct Compressor::State {
  z_stream zlib{};
  bool zlib_ready = false;
  ZSTD_CCtx* zstd = nullptr;
  Status failed;

  ~State() {
    if (zlib_ready) deflateEnd(&zlib);
    ZSTD_freeCCtx(zstd);
  }
};

Compressor::Compressor(Compression compression)
    : compression_(compression), state_(std::make_unique<State>()) {
  State& s = *state_;
  if (compression == Compression::kGzip) {
    // 15 + 16: a gzip header and trailer around the deflate stream.
    s.zlib_ready = deflateInit2(&s.zlib, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8,
                                Z_DEFAULT_STRATEGY) == Z_OK;
    if (!s.zlib_ready) s.failed = Status::Error(StatusCode::kOutOfMemory, "gzip: cannot start");
  } else if (compression == Compression::kZstd) {
    s.zstd = ZSTD_createCCtx();
    if (!s.zstd) s.failed = Status::Error(StatusCode::kOutOfMemory, "zstd: cannot start");
  }
}

Compressor::~Compressor() = default;

namespace {

Status Deflate(z_stream& z, std::string_view in, int flush, std::string& out) {
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  for (;;) {
    const std::size_t base = out.size();
    out.resize(base + kChunk);
    z.next_out = reinterpret_cast<Bytef*>(out.data() + base);
    z.avail_out = static_cast<uInt>(kChunk);
    const int rc = deflate(&z, flush);
    out.resize(base + kChunk - z.avail_out);
    if (rc == Z_STREAM_ERROR) return Status::Error(StatusCode::kFileIo, "gzip: stream error");
    if (flush == Z_FINISH ? rc == Z_STREAM_END : z.avail_in == 0 && z.avail_out != 0) break;
  }
  return Status::Ok();
}

Status Zstd(ZSTD_CCtx* cctx, std::string_view in, ZSTD_EndDirective mode, std::string& out) {
  ZSTD_inBuffer input{in.data(), in.size(), 0};
  for (;;) {
    const std::size_t base = out.size();
    out.resize(base + kChunk);
    ZSTD_outBuffer output{out.data() + base, kChunk, 0};
    const std::size_t left = ZSTD_compressStream2(cctx, &output, &input, mode);
    out.resize(base + output.pos);
    if (ZSTD_isError(left)) {
      return Status::Error(StatusCode::kFileIo, std::string("zstd: ") + ZSTD_getErrorName(left));
    }
    if (mode == ZSTD_e_end ? left == 0 : input.pos == input.size) break;
  }
  return Status::Ok();
}

}  // namespace

Status Compressor::Add(std::string_view in, std::string& out) {
  State& s = *state_;
  if (!s.failed.ok()) return s.failed;
  switch (compression_) {
    case Compression::kNone:
      out.append(in);
      return Status::Ok();
    case Compression::kGzip:
      s.failed = Deflate(s.zlib, in, Z_NO_FLUSH, out);
      return s.failed;
    case Compression::kZstd:
      s.failed = Zstd(s.zstd, in, ZSTD_e_continue, out);
      return s.failed;
  }
  return Status::Ok();
}

Status Compressor::End(std::string& out) {
  State& s = *state_;
  if (!s.failed.ok()) return s.failed;
  switch (compression_) {
    case Compression::kNone:
      return Status::Ok();
    case Compression::kGzip:
      s.failed = Deflate(s.zlib, {}, Z_FINISH, out);
      break;
    case Compression::kZstd:
      s.failed = Zstd(s.zstd, {}, ZSTD_e_end, out);
      break;
  }
  Status ended = s.failed;
  if (ended.ok()) s.failed = Status::Error(StatusCode::kFileIo, "the compressed stream has ended");
  return ended;
}

}  // namespace kelvax
