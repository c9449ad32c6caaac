#include "fuzz/fuzz_support.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tv::fuzzing {

std::unique_ptr<testing::MemoryDrive> DriveOver(std::span<const std::uint8_t> image) {
  return std::make_unique<testing::MemoryDrive>(std::vector<std::uint8_t>(image.begin(), image.end()));
}

std::vector<std::uint8_t> BootSectorOf(std::span<const std::uint8_t> image) {
  std::vector<std::uint8_t> boot(kSectorSize, 0);
  std::copy_n(image.begin(), std::min<std::size_t>(image.size(), kSectorSize), boot.begin());
  return boot;
}

std::unique_ptr<CNTFSParser> ParseFront(testing::MiniVolume& volume, std::uint32_t clusters) {
  const std::span<const std::uint8_t> image(volume.Image());
  const std::span<const std::uint8_t> front =
      image.first(std::min<std::size_t>(image.size(), std::size_t{clusters} * testing::MiniVolume::kClusterBytes));
  return std::make_unique<CNTFSParser>(DriveOver(front), BootSectorOf(front));
}

void ReadSomeFiles(CFileSystemParser& parser, TreeNode& root, std::size_t maxFiles,
                   std::uint32_t maxBytes) {
  constexpr std::uint32_t kPiece = 16 * 1024;
  std::vector<std::uint8_t> buffer(kPiece);
  std::size_t opened = 0;
  // Depth first without recursion, as the tree's own walks go.
  std::vector<TreeNode*> pending{&root};
  while (!pending.empty() && opened < maxFiles) {
    TreeNode* node = pending.back();
    pending.pop_back();
    for (auto child = node->children.rbegin(); child != node->children.rend(); ++child) {
      pending.push_back(child->get());
    }
    if (node == &root || node->IsDirectory()) continue;
    ++opened;
    const DirectoryHandle file = parser.OpenFileByNode(*node);
    if (file < 0 || parser.GetDirectoryRecord(file) == nullptr) continue;
    std::int32_t high = 0;
    const std::uint32_t low = parser.GetFileSize(file, high);
    const std::uint64_t size = (std::uint64_t{static_cast<std::uint32_t>(high)} << 32) | low;
    std::uint64_t done = 0;
    while (done < std::min<std::uint64_t>(size, maxBytes)) {
      std::uint32_t read = 0;
      parser.ReadFile(file, buffer.data(), kPiece, read);
      if (read == 0) break;
      done += read;
    }
    parser.CloseObject(file);
  }
}

std::size_t WalkDirectory(CFileSystemParser& parser, DirectoryHandle directory, int skipDosNames,
                          std::size_t maxEntries) {
  FindRecord find;
  if (parser.MoveFirstFile(directory, find, skipDosNames) == 0) return 0;
  std::size_t entries = 0;
  do {
    ++entries;
    FindData info;
    parser.ReadFindFileData(find, info);
    std::string text;
    parser.GetLongName(find, text);
    parser.GetShortName(find, text);
    parser.IsDirectory(find);
    parser.EntryAttributes(find);
  } while (entries < maxEntries && parser.MoveNextFile(find, skipDosNames) != 0);
  return entries;
}

}  // namespace tv::fuzzing
