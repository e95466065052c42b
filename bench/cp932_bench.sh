#!/bin/sh
# Throughput of the CP932 encoder on row-like text: pure ASCII, and ASCII mixed with Japanese.
#   bench/cp932_bench.sh [MEGABYTES]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
mb=${1:-200}
case $mb in ''|*[!0-9]*) echo "MEGABYTES must be a whole number" >&2; exit 2 ;; esac
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/bench.cpp" <<'CPP'
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "platform/text/cp932.h"
static void Run(const char* label, const std::string& row, std::size_t megabytes) {
  const std::size_t rows = megabytes * 1000000 / row.size();
  std::string out;
  std::size_t bytes = 0;
  const auto start = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < rows; ++i) {
    out.clear();
    kelvax::AppendCp932(row, out);
    bytes += out.size();
  }
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%-8s %8.1f MB/s of UTF-8 input (%zu rows of %zu bytes, %zu bytes out)\n", label,
              rows * row.size() / s / 1e6, rows, row.size(), bytes);
}
int main(int argc, char** argv) {
  const std::size_t mb = std::strtoul(argv[1], nullptr, 10);
  Run("ascii", "12345\t678.90\t2001/10/28 9:05:03\tSELECT NAME FROM CUSTOMERS WHERE ID = 42\r\n", mb);
  Run("mixed", "12345\t商品12345号 テスト\t2001/10/28 9:05:03\tＭＳ 明朝 ～－ note\r\n", mb);
  (void)argc;
}
CPP
c++ -std=c++20 -O2 -I"$here" "$work/bench.cpp" "$here/platform/text/cp932.cpp" "$here/platform/text/utf8.cpp" -o "$work/bench"
"$work/bench" "$mb"
