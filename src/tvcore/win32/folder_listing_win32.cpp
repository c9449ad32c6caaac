// Folder listings in the order FindFirstFile gives them.
#include "platform/folders.h"
#include "tvcore/system_info.h"
#include "tvcore/win32/windows_text.h"

namespace tv::tvcore {

std::vector<FolderEntry> ListFolder(const std::string& folder) {
  std::vector<FolderEntry> entries;
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW(win32::ToWindows(platform::JoinPath(folder, "*")).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return entries;
  do {
    const std::wstring_view name(found.cFileName);
    if (name == L"." || name == L"..") continue;
    FolderEntry entry;
    entry.name = win32::FromWindows(name);
    entry.attributes = found.dwFileAttributes;
    entry.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    entry.size = JoinHalves(found.nFileSizeHigh, found.nFileSizeLow);
    entry.lastWrite = JoinHalves(found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime);
    entry.shortName = win32::FromWindows(found.cAlternateFileName);
    entries.push_back(std::move(entry));
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return entries;
}

}  // namespace tv::tvcore
