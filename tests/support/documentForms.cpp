#include "support/documentForms.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "files/fileSetPlatform.h"

namespace fs = std::filesystem;

std::string zipOf(const std::vector<zipEntry>& entries) {
  const fs::path file = fs::temp_directory_path() / ("vesk_zip_" + platform::uniqueTag() + ".zip");
  zipFile zip = zipOpen64(file.string().c_str(), APPEND_STATUS_CREATE);
  EXPECT_NE(zip, nullptr);
  for (const zipEntry& e : entries) {
    zip_fileinfo info{};
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(e.content.data()), static_cast<uInt>(e.content.size()));
    EXPECT_EQ(zipOpenNewFileInZip3_64(zip, e.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, e.method,
                                      Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                                      e.password, crc, 0),
              ZIP_OK);
    EXPECT_EQ(zipWriteInFileInZip(zip, e.content.data(), static_cast<unsigned>(e.content.size())), ZIP_OK);
    zipCloseFileInZip(zip);
  }
  zipClose(zip, nullptr);
  std::ifstream in(file, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  std::error_code ec;
  fs::remove(file, ec);
  return bytes;
}

std::string utf16Of(const std::u16string& text, bool little) {
  std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
  for (const char16_t unit : text) {
    const char low = static_cast<char>(unit & 0xFF);
    const char high = static_cast<char>(unit >> 8);
    out += little ? std::string{low, high} : std::string{high, low};
  }
  return out;
}

std::string utf16Of(const std::string& ascii, bool little) {
  return utf16Of(std::u16string(ascii.begin(), ascii.end()), little);
}
