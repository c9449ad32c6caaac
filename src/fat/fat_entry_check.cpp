// The entry check that decides whether a directory entry becomes a node:
// a usable name, a first cluster where there is data, a plausible size.
#include <optional>

#include "disk/le_reader.h"
#include "fat/fat_parser.h"
#include "log/log.h"
#include "parser/entry_names.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace tv {
namespace {

constexpr int kInvalidFileName = 1;
constexpr int kInvalidFirstCluster = 2;
constexpr int kInvalidFileSize = -1;

}  // namespace

int CFATParser::GetEntryName(FindRecord& find, const FindData& info, std::string* name,
                             bool syntaxOnly) {
  int result = 0;
  // Names are probed in the system's temporary folder, never in the parser's
  // scratch folder, so that a trial file cannot meet a recovered one.
  const std::optional<std::string> picked = PickEntryName(info, syntaxOnly, platform::TempFolder());
  if (!picked) {
    Log().Error("INVALID_FILE_NAME file name found");
    result = kInvalidFileName;
  } else {
    Log().Format("Entry name is -> %s", picked->c_str());
  }

  const std::optional<std::size_t> shortEntry = ShortEntryOffset(find);
  if (!shortEntry) {
    Log().Error("Error while getting long name for file entry");
    Log().Error("Error while getting file record");
    return kInvalidFileSize;
  }
  const std::span<const std::uint8_t> entryBytes =
      DirectoryData(find.directory).subspan(*shortEntry, fat::kEntrySize);
  LeReader entry(entryBytes);
  const std::uint32_t size = entry.U32(fat::entry::kFileSize);
  const std::uint32_t cluster = GetFirstCluster(entryBytes);

  if (size != 0 && cluster < 2) {
    Log().Format("INVALID_FIRST_CLUSTER was found while parsing entry. Clust number is -> %u", cluster);
    result += kInvalidFirstCluster;
  }
  if (size > m_nVolumeBytes) {
    Log().Format("INVALID_FILE_SIZE was found while parsing entry. File size is -> %u", size);
    result = kInvalidFileSize;
  }
  if (name) *name = picked.value_or(std::string());
  if (result != 0) Log().DumpBlock(entryBytes.data(), fat::kEntrySize);
  return result;
}

int CFATParser::GetEntryWideName(FindRecord& find, const FindData& info, WString* name,
                                 bool syntaxOnly) {
  std::string narrow;
  const int result = GetEntryName(find, info, &narrow, syntaxOnly);
  if (result != -1 && name) *name = platform::ToWide(narrow);
  return result;
}

}  // namespace tv
