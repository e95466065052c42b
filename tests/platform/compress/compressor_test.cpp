// A compressed output reads back as exactly what was written, however the blocks fall.
#include "platform/compress/compressor.h"

#include <gtest/gtest.h>
#include <zlib.h>
#include <zstd.h>

#include <string>

namespace kelvax {
namespace {

// The stream read back whole, into room for one byte more than `size`.
std::string Unpack(Compression c, const std::string& packed, std::size_t size) {
  std::string out(size + 1, '\0');
  if (c == Compression::kZstd) {
    const std::size_t n = ZSTD_decompress(out.data(), out.size(), packed.data(), packed.size());
    EXPECT_FALSE(ZSTD_isError(n)) << ZSTD_getErrorName(n);
    return out.substr(0, ZSTD_isError(n) ? 0 : n);
  }
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, 15 + 16), Z_OK);  // gzip
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  z.avail_in = static_cast<uInt>(packed.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  inflateEnd(&z);
  return out;
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
      EXPECT_EQ(Unpack(c, packed, text.size()), text);
    }
  }
}

}  // namespace
}  // namespace kelvax
