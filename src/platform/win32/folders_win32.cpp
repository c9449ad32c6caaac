#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "platform/folders.h"
#include "platform/text.h"
#include "platform/win32/windows_api.h"

namespace tv::platform {

namespace {

using win32::WithSeparator;

std::string Narrow(const wchar_t* text, std::size_t length) {
  return ToNarrow(WStringView(reinterpret_cast<const char16_t*>(text), length));
}

std::string ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return WithSeparator(Narrow(path, wcslen(path)));
}

// Calls one of the "fill this buffer of n characters, answer the length"
// functions, growing the buffer while the answer says it was too small.
template <typename Fill>
std::string GrowingBuffer(Fill fill) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD length = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return Narrow(buffer.data(), length);
    buffer.resize(std::max<std::size_t>(buffer.size() * 2, length + 1));
  }
}

}  // namespace

std::string AppDataFolder() { return ShellFolder(CSIDL_APPDATA); }

std::string CommonAppDataFolder() { return ShellFolder(CSIDL_COMMON_APPDATA); }

std::string TempFolder() {
  return WithSeparator(GrowingBuffer([](wchar_t* buffer, DWORD size) { return ::GetTempPathW(size, buffer); }));
}

std::string ConfigFolder() { return AppDataFolder(); }

std::string UniqueTempFileName(const std::string& folder, const std::string& prefix) {
  const WString wideFolder = ToWide(folder);
  const WString widePrefix = ToWide(prefix);
  wchar_t path[MAX_PATH] = {};
  if (::GetTempFileNameW(win32::Wide(wideFolder), win32::Wide(widePrefix), 0, path) == 0) return {};
  return Narrow(path, wcslen(path));
}

std::string ExecutablePath() {
  // GetModuleFileNameW answers the full buffer size when the path was cut.
  return GrowingBuffer([](wchar_t* buffer, DWORD size) {
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer, size);
    return length == size ? size : length;
  });
}

std::string CurrentDirectory() {
  return WithSeparator(
      GrowingBuffer([](wchar_t* buffer, DWORD size) { return ::GetCurrentDirectoryW(size, buffer); }));
}

std::string ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  if (!::GetComputerNameW(name, &length)) return {};
  return Narrow(name, length);
}

std::optional<std::string> SystemDirectory() {
  const std::string folder =
      GrowingBuffer([](wchar_t* buffer, DWORD size) { return ::GetSystemDirectoryW(buffer, size); });
  if (folder.empty()) return std::nullopt;
  return WithSeparator(folder);
}

std::optional<std::string> WindowsDirectory() {
  const std::string folder =
      GrowingBuffer([](wchar_t* buffer, DWORD size) { return ::GetWindowsDirectoryW(buffer, size); });
  if (folder.empty()) return std::nullopt;
  return WithSeparator(folder);
}

}  // namespace tv::platform
