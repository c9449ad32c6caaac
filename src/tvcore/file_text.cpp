#include "tvcore/file_text.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/files.h"

namespace tv::tvcore {

namespace {

// Chunks stay well below the 32-bit count of one read or write call.
constexpr std::uint32_t kChunk = 1u << 20;

}  // namespace

bool ReadWholeFile(const std::string& path, std::string* contents, std::size_t limit) {
  platform::OpenMode mode;
  mode.access = platform::Access::Read;
  mode.disposition = platform::Disposition::OpenExisting;
  mode.shareRead = true;
  mode.shareWrite = true;
  const platform::FileHandle file = platform::OpenFile(path, mode);
  if (file == platform::kInvalidFile) return false;

  // Read to the end rather than by the file's size: files of /proc give
  // their size as 0, and a file may grow while it is read.
  contents->clear();
  bool ok = true;
  std::vector<char> chunk(kChunk);
  for (;;) {
    std::uint32_t got = 0;
    if (!platform::ReadFile(file, chunk.data(), kChunk, &got)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    if (contents->size() + got > limit) {
      ok = false;
      break;
    }
    contents->append(chunk.data(), got);
  }
  platform::CloseFile(file);
  return ok;
}

bool WriteWholeFile(const std::string& path, const std::string& contents) {
  platform::OpenMode mode;
  mode.access = platform::Access::Write;
  mode.disposition = platform::Disposition::CreateAlways;
  const platform::FileHandle file = platform::OpenFile(path, mode);
  if (file == platform::kInvalidFile) return false;
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < contents.size()) {
    const auto want = static_cast<std::uint32_t>(std::min<std::size_t>(kChunk, contents.size() - done));
    std::uint32_t wrote = 0;
    ok = platform::WriteFile(file, contents.data() + done, want, &wrote) && wrote == want;
    done += wrote;
  }
  platform::CloseFile(file);
  return ok;
}

}  // namespace tv::tvcore
