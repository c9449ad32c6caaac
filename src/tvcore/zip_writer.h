// Packs one file as the only entry of a ZIP archive: local header, name,
// raw deflate data, central header, name and end record, nothing else.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/times.h"

namespace tv::tvcore {

// Results of PackFile (the toZIP export).
inline constexpr int kZipOk = 0;
inline constexpr int kZipFailed = -2;
inline constexpr int kZipBadSource = -4;
inline constexpr int kZipCannotCreate = -5;

// Writes `archive` holding `source` under its file name (no folder).
int PackFile(const std::string& source, const std::string& archive);

// The raw deflate stream of `data` at compression level 8; nullopt when zlib
// fails.
std::optional<std::vector<std::uint8_t>> RawDeflate(std::span<const std::uint8_t> data);

// MS-DOS time and date of a local calendar time; years outside 1980..2107,
// which the format cannot hold, are clamped to its range.
std::uint16_t DosTime(const platform::CalendarTime& time);
std::uint16_t DosDate(const platform::CalendarTime& time);

struct ZipEntry {
  std::string name;
  std::uint32_t crc = 0;
  std::uint32_t size = 0;  // uncompressed
  std::uint16_t dosTime = 0;
  std::uint16_t dosDate = 0;
};

// The whole archive in memory.
std::vector<std::uint8_t> BuildZip(const ZipEntry& entry, std::span<const std::uint8_t> compressed);

}  // namespace tv::tvcore
