// Names of files in the Recycle Bin: such a file is a live entry named
// D<drive letter><number><extension> in a folder below \RECYCLER\ (or
// \RECYCLED\), and the bin's INFO2 index keeps the path it had before.
// INFO2 is read through the parser from the scanned volume itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "parser/file_system_parser.h"
#include "parser/tree_node.h"

namespace tv {

// Failures of the bin file reader, carried by BinReadError.
enum BinReadCode : int {
  kBinCannotOpen = 2,
  kBinSeekFailed = 3,
  kBinTooLarge = 5,
  kBinNotOpen = 6,
  kBinNoMemory = 7,
};
struct BinReadError {
  int code;
};

// Reads one file of the scanned volume through the parser by its path
// inside the volume ("\RECYCLER\S-1-5-21\INFO2"); every failure is thrown as
// a BinReadError.
class BinFileReader {
 public:
  BinFileReader(CFileSystemParser& parser, const std::string& volumePath);
  ~BinFileReader();
  BinFileReader(const BinFileReader&) = delete;
  BinFileReader& operator=(const BinFileReader&) = delete;

  std::uint32_t Size() const { return m_nSize; }
  // `bytes` bytes at `offset`, zero-filled past what could be read.
  std::vector<std::uint8_t> Read(std::uint64_t offset, std::uint32_t bytes);

 private:
  CFileSystemParser& m_parser;
  DirectoryHandle m_hFile = kInvalidHandle;
  std::uint32_t m_nSize = 0;
};

// For a live, named node: its folder lies below "\recycler\" or "\recycled\"
// (folderPath longer than 10 characters), its name starts with d, is longer
// than 2 characters and is not desktop.ini, and INFO2 knows its original
// path (which it then holds in originalPath).
bool IsBinEntry(CFileSystemParser& parser, TreeNode& node);

// IsBinEntry for a node reached through the tree rather than through a
// folder listing (`vtl scan --all`, an entry named on the command line): a
// node without a folderPath first takes the path of its place in the tree,
// as a listing of its folder would give it.
bool ResolveBinEntry(CFileSystemParser& parser, TreeNode& node);

// Fills originalPath from the INFO2 of the node's folder; true when the node
// has (or now gets) one. A failed lookup is logged and caches nothing.
bool GetBeforeDeletingName(CFileSystemParser& parser, TreeNode& node);

}  // namespace tv
