// Stands in for a toolbox product or a web page in the Windows toolbox test:
// when started, it appends its own base name, its command line's arguments
// as written after a blank when it has any, and a line end to "started.txt" in its own folder, so
// the test sees what the shell opened and with what.
#include <windows.h>


#include <algorithm>
#include <string>

int main() {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  std::wstring self(path, length);
  const std::size_t slash = self.find_last_of(L"\\/");
  const std::wstring folder = self.substr(0, slash + 1);
  std::wstring name = self.substr(slash + 1);
  if (const std::size_t dot = name.rfind(L'.'); dot != std::wstring::npos) name.resize(dot);

  const HANDLE file = ::CreateFileW((folder + L"started.txt").c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  // The command line after the program's own name, as the shell wrote it.
  const std::wstring line = ::GetCommandLineW();
  std::size_t at = 0;
  if (!line.empty() && line[0] == L'"') {
    const std::size_t close = line.find(L'"', 1);
    at = close == std::wstring::npos ? line.size() : close + 1;
  } else {
    at = std::min(line.find(L' '), line.size());
  }
  while (at < line.size() && line[at] == L' ') ++at;
  const std::wstring arguments = line.substr(at);
  const std::wstring text = name + (arguments.empty() ? L"" : L" " + arguments) + L"\n";
  std::string utf8(static_cast<std::size_t>(
                       ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                             nullptr, nullptr)),
                   '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(),
                        static_cast<int>(utf8.size()), nullptr, nullptr);
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  ::CloseHandle(file);
  return ok != FALSE ? 0 : 1;
}
