// Reading back the single-entry archives the library writes, for the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tv::tvcore::testing {

struct UnpackedZip {
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t crc = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t size = 0;
  std::uint32_t externalAttributes = 0;
  std::string name;
  std::string data;    // inflated
  std::string problem;  // empty when every record is where and what it must be
};

// Checks the three records (local header, central header, end record) and
// their agreement, and inflates the data.
UnpackedZip Unpack(const std::string& archive);

}  // namespace tv::tvcore::testing
