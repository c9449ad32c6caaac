// Stands in for a toolbox product or a web page in the Windows toolbox test:
// when started, it appends its own base name and a line end to
// "started.txt" in its own folder, so the test sees what the shell opened.
#include <windows.h>

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
  const std::string line = std::string(name.begin(), name.end()) + "\n";
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  ::CloseHandle(file);
  return ok != FALSE ? 0 : 1;
}
