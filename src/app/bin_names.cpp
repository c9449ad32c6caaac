#include "app/bin_names.h"

#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

#include "app/entry_lookup.h"
#include "app/info2_layout.h"
#include "disk/le_reader.h"
#include "log/log.h"
#include "platform/text.h"

namespace tv {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The number in a bin file's name: the digits from its third character on
// (as atoi reads them: leading digits only, 0 when there are none).
std::uint32_t BinRecordNumber(const std::string& name) {
  std::uint32_t number = 0;
  for (std::size_t i = 2; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) {
    number = number * 10 + static_cast<std::uint32_t>(name[i] - '0');
  }
  return number;
}

// The original path of a record: UTF-16 units up to the first 0 unit.
WString RecordWidePath(LeReader path) {
  WString wide;
  for (std::uint32_t i = 0; i < info2::record::kWidePathUnits; ++i) {
    const auto unit = static_cast<WChar>(path.U16(std::size_t{i} * 2));
    if (!path.ok() || unit == 0) break;
    wide.push_back(unit);
  }
  return wide;
}

}  // namespace

BinFileReader::BinFileReader(CFileSystemParser& parser, const std::string& volumePath) : m_parser(parser) {
  const std::vector<std::string> parts = SplitEntryPath(volumePath);
  if (parts.empty()) throw BinReadError{kBinCannotOpen};
  // A scan may have closed the root directory it walked; open it again then.
  DirectoryHandle directory = parser.RootDirectory();
  bool ownDirectory = false;
  if (directory < 0 || parser.GetDirectoryRecord(directory) == nullptr) {
    directory = parser.OpenRootDirectory();
    ownDirectory = true;
  }
  for (std::size_t i = 0; i + 1 < parts.size() && directory != kInvalidHandle; ++i) {
    const DirectoryHandle next = parser.FindFile(directory, parts[i], true);
    if (ownDirectory && directory != kInvalidHandle) parser.CloseObject(directory);
    directory = next;
    ownDirectory = true;
  }
  if (directory != kInvalidHandle) m_hFile = parser.FindFile(directory, parts.back(), false);
  if (ownDirectory && directory != kInvalidHandle) parser.CloseObject(directory);
  if (m_hFile == kInvalidHandle) throw BinReadError{kBinCannotOpen};
  std::int32_t high = 0;
  m_nSize = parser.GetFileSize(m_hFile, high);
  if (high != 0) {
    parser.CloseObject(m_hFile);
    throw BinReadError{kBinTooLarge};
  }
}

BinFileReader::~BinFileReader() {
  if (m_hFile != kInvalidHandle) m_parser.CloseObject(m_hFile);
}

std::vector<std::uint8_t> BinFileReader::Read(std::uint64_t offset, std::uint32_t bytes) {
  if (m_hFile == kInvalidHandle) throw BinReadError{kBinNotOpen};
  if (m_parser.SeekFile(m_hFile, offset) == 0) throw BinReadError{kBinSeekFailed};
  std::vector<std::uint8_t> data(bytes, 0);
  std::uint32_t got = 0;
  m_parser.ReadFile(m_hFile, data.data(), bytes, got);
  return data;
}

bool GetBeforeDeletingName(CFileSystemParser& parser, TreeNode& node) {
  if (!node.OriginalPath().empty()) return true;
  try {
    BinFileReader reader(parser, node.FolderPath() + "INFO2");
    const std::uint32_t wanted = BinRecordNumber(node.name);
    const std::uint64_t size = reader.Size();
    // Records are read while their number field starts inside the file.
    for (std::uint64_t record = info2::kHeaderBytes; record + info2::record::kNumber < size;
         record += info2::kRecordBytes) {
      if (LeReader(reader.Read(record + info2::record::kNumber, 4)).U32(0) != wanted) continue;
      const std::vector<std::uint8_t> path =
          reader.Read(record + info2::record::kWidePath, info2::record::kWidePathUnits * 2);
      node.SetOriginalPath(platform::ToNarrow(RecordWidePath(LeReader(path))));
      return !node.OriginalPath().empty();
    }
    return false;
  } catch (const BinReadError& error) {
    Log().Format("GetBeforeDeletingName() trap! Error code - %d", error.code);
  } catch (const std::exception&) {
    Log().Message("GetBeforeDeletingName() trap! Error code unaviable");
  }
  Log().Format("Path - %s", node.FolderPath().c_str());
  Log().Format("File - %s", node.name.c_str());
  return false;
}

bool IsBinEntry(CFileSystemParser& parser, TreeNode& node) {
  if (node.deleted != 0 || !node.HasName()) return false;
  if (node.FolderPath().size() <= 10 || node.name.size() <= 2) return false;
  const std::string top = Lower(node.FolderPath().substr(0, 10));
  if (top != "\\recycler\\" && top != "\\recycled\\") return false;
  const std::string name = Lower(node.name);
  if (name[0] != 'd' || name == "desktop.ini") return false;
  return GetBeforeDeletingName(parser, node);
}

bool ResolveBinEntry(CFileSystemParser& parser, TreeNode& node) {
  if (node.FolderPath().empty() && node.parent != nullptr) {
    const TreeNode& folder = *node.parent;
    node.SetFolderPath((folder.parent == nullptr ? std::string() : EntryPath(folder)) + "\\");
  }
  return IsBinEntry(parser, node);
}

}  // namespace tv
