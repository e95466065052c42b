// INI reading on any bytes (code page 932, UTF-8, with or without BOM): every name and value
// comes back as well-formed UTF-8 and every key line listed can be read back.
#include <cstdint>
#include <string>

#include "platform/ini/ini_file.h"
#include "platform/text/utf8.h"
#include "tests/fuzz/check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelvax;
  const IniFile file = IniFile::Parse(std::string(reinterpret_cast<const char*>(data), size));
  for (const std::string& name : file.SectionNames()) FUZZ_CHECK(IsValidUtf8(name), name);
  for (const IniKey& key : file.Keys()) {
    FUZZ_CHECK(IsValidUtf8(key.section), key.section);
    FUZZ_CHECK(IsValidUtf8(key.key), key.key);
    FUZZ_CHECK(key.line >= 1);
    const std::string value = file.Get(key.section, key.key);
    FUZZ_CHECK(IsValidUtf8(value), value);
    // Each byte of the file becomes at most three UTF-8 bytes (a half-width katakana, U+FFFD).
    FUZZ_CHECK(value.size() <= size * 3, value);
  }
  for (const IniStrayLine& stray : file.StrayLines())
    FUZZ_CHECK(IsValidUtf8(stray.text), stray.text);
  return 0;
}
