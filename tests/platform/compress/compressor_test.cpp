// A compressed output reads back as exactly what was written, however the blocks fall.
#include "platform/compress/compressor.h"

#include <gtest/gtest.h>
#include <zlib.h>
#include <zstd.h>

#include <string>

namespace kelvax {
namespace {

std::string Gunzip(const std::string& packed) {
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, 15 + 16), Z_OK);
  std::string out(1 << 16, '\0'), text;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  z.avail_in = static_cast<uInt>(packed.size());
  int rc = Z_OK;
  while (rc == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    rc = inflate(&z, Z_NO_FLUSH);
    text.append(out.data(), out.size() - z.avail_out);
  }
  EXPECT_EQ(rc, Z_STREAM_END);
  inflateEnd(&z);
  return text;
}

std::string Unzstd(const std::string& packed) {
  ZSTD_DCtx* d = ZSTD_createDCtx();
  ZSTD_inBuffer in{packed.data(), packed.size(), 0};
  std::string out(1 << 16, '\0'), text;
  while (in.pos < in.size) {
    ZSTD_outBuffer o{out.data(), out.size(), 0};
    const std::size_t rc = ZSTD_decompressStream(d, &o, &in);
    EXPECT_FALSE(ZSTD_isError(rc));
    if (ZSTD_isError(rc)) break;
    text.append(out.data(), o.pos);
  }
  ZSTD_freeDCtx(d);
  return text;
}

TEST(CompressorTest, WhatIsWrittenInBlocksReadsBackWhole) {
  EXPECT_EQ(CompressionOf("/out/A.csv.GZ"), Compression::kGzip);
  EXPECT_EQ(CompressionOf("/out/a.TXT.zst"), Compression::kZstd);
  EXPECT_EQ(CompressionOf("/out/gz"), Compression::kNone);
  std::string big;
  for (int i = 0; big.size() < 3'000'000; ++i) big += std::to_string(i * 7919) + ",絵文字😀\r\n";
  for (const std::string& text : {std::string(), std::string("A,B\r\n"), big}) {
    for (Compression c : {Compression::kGzip, Compression::kZstd}) {
      Compressor compressor(c);
      std::string packed;
      for (std::size_t at = 0; at < text.size(); at += 256 * 1024) {
        ASSERT_TRUE(compressor.Add(std::string_view(text).substr(at, 256 * 1024), packed).ok());
      }
      ASSERT_TRUE(compressor.End(packed).ok());
      EXPECT_FALSE(compressor.Add("more", packed).ok());  // the stream has ended
      EXPECT_EQ(c == Compression::kGzip ? Gunzip(packed) : Unzstd(packed), text);
    }
  }
}

}  // namespace
}  // namespace kelvax
