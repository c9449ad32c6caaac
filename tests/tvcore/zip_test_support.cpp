#include "zip_test_support.h"

#include <zlib.h>

namespace tv::tvcore::testing {

namespace {

std::uint32_t Get(const std::string& bytes, std::size_t offset, int width) {
  std::uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) {
    value = (value << 8) | static_cast<std::uint8_t>(bytes[offset + static_cast<std::size_t>(i)]);
  }
  return value;
}

std::string Inflate(const std::string& compressed, std::size_t size, std::string* problem) {
  std::string output(size, '\0');
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
    *problem = "inflateInit2";
    return {};
  }
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  stream.avail_in = static_cast<uInt>(compressed.size());
  stream.next_out = reinterpret_cast<Bytef*>(output.data());
  stream.avail_out = static_cast<uInt>(output.size());
  const int result = inflate(&stream, Z_FINISH);
  if (result != Z_STREAM_END || stream.total_out != size || stream.avail_in != 0) *problem = "raw deflate data";
  inflateEnd(&stream);
  return output;
}

}  // namespace

UnpackedZip Unpack(const std::string& zip) {
  UnpackedZip entry;
  if (zip.size() < 30 || Get(zip, 0, 4) != 0x04034B50) {
    entry.problem = "local header signature";
    return entry;
  }
  const std::uint32_t nameLength = Get(zip, 26, 2);
  entry.flags = static_cast<std::uint16_t>(Get(zip, 6, 2));
  entry.method = static_cast<std::uint16_t>(Get(zip, 8, 2));
  entry.crc = Get(zip, 14, 4);
  entry.compressedSize = Get(zip, 18, 4);
  entry.size = Get(zip, 22, 4);
  const std::size_t central = 30 + nameLength + entry.compressedSize;
  const std::size_t end = central + 46 + nameLength;
  if (Get(zip, 4, 2) != 20 || Get(zip, 28, 2) != 0 || zip.size() != end + 22) {
    entry.problem = "local header fields or archive size";
    return entry;
  }
  entry.name = zip.substr(30, nameLength);
  if (Get(zip, central, 4) != 0x02014B50 || Get(zip, central + 4, 2) != 20 || Get(zip, central + 6, 2) != 20 ||
      Get(zip, central + 8, 2) != entry.flags || Get(zip, central + 10, 2) != entry.method ||
      Get(zip, central + 12, 4) != Get(zip, 10, 4) || Get(zip, central + 16, 4) != entry.crc ||
      Get(zip, central + 20, 4) != entry.compressedSize || Get(zip, central + 24, 4) != entry.size ||
      Get(zip, central + 28, 2) != nameLength || Get(zip, central + 30, 4) != 0 || Get(zip, central + 34, 4) != 0 ||
      Get(zip, central + 42, 4) != 0 || zip.substr(central + 46, nameLength) != entry.name) {
    entry.problem = "central header";
    return entry;
  }
  entry.externalAttributes = Get(zip, central + 38, 4);
  if (Get(zip, end, 4) != 0x06054B50 || Get(zip, end + 4, 4) != 0 || Get(zip, end + 8, 2) != 1 ||
      Get(zip, end + 10, 2) != 1 || Get(zip, end + 12, 4) != nameLength + 46 ||
      Get(zip, end + 16, 4) != central || Get(zip, end + 20, 2) != 0) {
    entry.problem = "end record";
    return entry;
  }
  entry.data = Inflate(zip.substr(30 + nameLength, entry.compressedSize), entry.size, &entry.problem);
  return entry;
}

}  // namespace tv::tvcore::testing
