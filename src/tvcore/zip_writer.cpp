#include "tvcore/zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

#include "platform/files.h"
#include "platform/times.h"
#include "tvcore/file_text.h"

namespace tv::tvcore {

namespace {

constexpr std::uint32_t kLocalSignature = 0x04034B50;
constexpr std::uint32_t kCentralSignature = 0x02014B50;
constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::uint16_t kVersion = 20;
// General-purpose flags 2: deflate at high compression.
constexpr std::uint16_t kFlags = 2;
constexpr std::uint16_t kDeflate = 8;
// External attributes: the MS-DOS archive bit.
constexpr std::uint32_t kArchiveAttribute = 32;
constexpr std::uint32_t kLocalHeaderSize = 30;
constexpr std::uint32_t kCentralHeaderSize = 46;
constexpr int kLevel = 8;
// The zlib stream around the raw data: a 2-byte header and a 4-byte check.
constexpr std::size_t kZlibHeader = 2;
constexpr std::size_t kZlibTrailer = 4;

class Bytes {
 public:
  void U16(std::uint16_t value) {
    data_.push_back(static_cast<std::uint8_t>(value));
    data_.push_back(static_cast<std::uint8_t>(value >> 8));
  }
  void U32(std::uint32_t value) {
    U16(static_cast<std::uint16_t>(value));
    U16(static_cast<std::uint16_t>(value >> 16));
  }
  void Append(std::span<const std::uint8_t> bytes) { data_.insert(data_.end(), bytes.begin(), bytes.end()); }
  void Append(const std::string& text) { data_.insert(data_.end(), text.begin(), text.end()); }
  std::vector<std::uint8_t>& data() { return data_; }

 private:
  std::vector<std::uint8_t> data_;
};

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The source's last-write time in local time.
platform::CalendarTime ModificationTime(const std::string& path) {
  FileTime written = 0;
  if (!platform::GetFileTimes(path, nullptr, nullptr, &written)) return platform::LocalNow();
  return platform::FileTimeToCalendar(platform::UtcToLocal(written));
}

}  // namespace

std::optional<std::vector<std::uint8_t>> RawDeflate(std::span<const std::uint8_t> data) {
  if (data.size() > std::numeric_limits<uInt>::max()) return std::nullopt;
  z_stream stream{};
  if (deflateInit(&stream, kLevel) != Z_OK) return std::nullopt;
  // The traditional room of 1.1 times the input and 12 bytes, or more when
  // zlib's own bound asks for it.
  const std::size_t room = std::max<std::size_t>(data.size() + data.size() / 10 + 12,
                                                 deflateBound(&stream, static_cast<uLong>(data.size())));
  std::vector<std::uint8_t> output(room);
  stream.next_in = const_cast<Bytef*>(data.data());
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = output.data();
  stream.avail_out = static_cast<uInt>(output.size());
  const int result = deflate(&stream, Z_FINISH);
  const std::size_t produced = stream.total_out;
  deflateEnd(&stream);
  if (result != Z_STREAM_END || produced < kZlibHeader + kZlibTrailer) return std::nullopt;
  return std::vector<std::uint8_t>(output.begin() + kZlibHeader, output.begin() + (produced - kZlibTrailer));
}

std::uint16_t DosTime(const platform::CalendarTime& time) {
  return static_cast<std::uint16_t>(time.hour * 2048 + time.minute * 32 + time.second / 2);
}

std::uint16_t DosDate(const platform::CalendarTime& time) {
  if (time.year < 1980) return static_cast<std::uint16_t>(1 * 32 + 1);
  const int year = std::min(time.year, 2107);
  return static_cast<std::uint16_t>((year - 1980) * 512 + time.month * 32 + time.day);
}

std::vector<std::uint8_t> BuildZip(const ZipEntry& entry, std::span<const std::uint8_t> compressed) {
  const auto nameLength = static_cast<std::uint16_t>(entry.name.size());
  const auto compressedSize = static_cast<std::uint32_t>(compressed.size());
  Bytes zip;
  zip.U32(kLocalSignature);
  zip.U16(kVersion);
  zip.U16(kFlags);
  zip.U16(kDeflate);
  zip.U16(entry.dosTime);
  zip.U16(entry.dosDate);
  zip.U32(entry.crc);
  zip.U32(compressedSize);
  zip.U32(entry.size);
  zip.U16(nameLength);
  zip.U16(0);  // extra field
  zip.Append(entry.name);
  zip.Append(compressed);

  zip.U32(kCentralSignature);
  zip.U16(kVersion);  // made by
  zip.U16(kVersion);  // needed
  zip.U16(kFlags);
  zip.U16(kDeflate);
  zip.U16(entry.dosTime);
  zip.U16(entry.dosDate);
  zip.U32(entry.crc);
  zip.U32(compressedSize);
  zip.U32(entry.size);
  zip.U16(nameLength);
  zip.U16(0);  // extra field
  zip.U16(0);  // comment
  zip.U16(0);  // disk number
  zip.U16(0);  // internal attributes
  zip.U32(kArchiveAttribute);
  zip.U32(0);  // offset of the local header
  zip.Append(entry.name);

  zip.U32(kEndSignature);
  zip.U16(0);  // this disk
  zip.U16(0);  // disk with the directory
  zip.U16(1);  // entries on this disk
  zip.U16(1);  // entries in all
  zip.U32(nameLength + kCentralHeaderSize);
  zip.U32(nameLength + compressedSize + kLocalHeaderSize);
  zip.U16(0);  // comment
  return std::move(zip.data());
}

int PackFile(const std::string& source, const std::string& archive) {
  // The 32-bit sizes of this format bound the source; a larger report
  // cannot be packed.
  constexpr std::size_t kMaxSource = std::numeric_limits<std::uint32_t>::max() / 2;
  std::string contents;
  if (!platform::PathExists(source) || !ReadWholeFile(source, &contents, kMaxSource)) return kZipBadSource;

  ZipEntry entry;
  entry.name = FileName(source);
  if (entry.name.empty() || entry.name.size() > std::numeric_limits<std::uint16_t>::max()) return kZipFailed;
  const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(contents.data()), contents.size());
  entry.size = static_cast<std::uint32_t>(data.size());
  entry.crc = static_cast<std::uint32_t>(crc32(crc32(0L, Z_NULL, 0), data.data(), static_cast<uInt>(data.size())));
  const platform::CalendarTime modified = ModificationTime(source);
  entry.dosTime = DosTime(modified);
  entry.dosDate = DosDate(modified);

  const auto compressed = RawDeflate(data);
  if (!compressed) return kZipFailed;
  const std::vector<std::uint8_t> zip = BuildZip(entry, *compressed);

  platform::OpenMode mode;
  mode.access = platform::Access::Write;
  mode.disposition = platform::Disposition::CreateAlways;
  const platform::FileHandle file = platform::OpenFile(archive, mode);
  if (file == platform::kInvalidFile) return kZipCannotCreate;
  std::uint32_t written = 0;
  const bool ok = platform::WriteFile(file, zip.data(), static_cast<std::uint32_t>(zip.size()), &written) &&
                  written == zip.size();
  platform::CloseFile(file);
  if (!ok) {
    // Leave no half-written archive behind.
    platform::DeleteFile(archive);
    return kZipFailed;
  }
  return kZipOk;
}

}  // namespace tv::tvcore
