// The machine as Windows describes it, for the diagnostics report.
// windows_text.h brings <windows.h>, which the other system headers need first.
#include "tvcore/win32/windows_text.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cwchar>

#include "platform/folders.h"
#include "tvcore/system_info.h"

namespace tv::tvcore {

namespace {

using win32::FromWindows;
using win32::ToWindows;

// The process-status fallback looks at this many processes and, in each,
// this many modules for a readable file name.
constexpr DWORD kMaxProcessIds = 1024;
constexpr DWORD kMaxModules = 32;

// The version as the system reports it; Windows 8.1 and later answer the
// version of their compatibility shim unless asked through ntdll.
OSVERSIONINFOEXW SystemVersion() {
  OSVERSIONINFOEXW version{};
  version.dwOSVersionInfoSize = sizeof version;
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  const auto rtlGetVersion = ntdll != nullptr ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(
                                                    ::GetProcAddress(ntdll, "RtlGetVersion")))
                                              : nullptr;
  if (rtlGetVersion == nullptr || rtlGetVersion(&version) != 0) {
    version = OSVERSIONINFOEXW{};
    version.dwOSVersionInfoSize = sizeof version;
    ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version));
  }
  return version;
}

std::string OsLine() {
  const OSVERSIONINFOEXW version = SystemVersion();
  static const char* const kPlatforms[] = {"WIN32s", "Windows 9x/ME", "NT"};
  const char* platform = version.dwPlatformId < 3 ? kPlatforms[version.dwPlatformId] : "";
  char line[512];
  std::snprintf(line, sizeof line, "%s %d.%02d.%d %s\n", platform, static_cast<int>(version.dwMajorVersion),
                static_cast<int>(version.dwMinorVersion), static_cast<int>(version.dwBuildNumber),
                FromWindows(version.szCSDVersion).c_str());
  return line;
}

MemoryStatus CollectMemory() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  MemoryStatus memory;
  if (!::GlobalMemoryStatusEx(&status)) return memory;
  memory.load = status.dwMemoryLoad;
  memory.totalPhysical = status.ullTotalPhys;
  memory.availablePhysical = status.ullAvailPhys;
  memory.commitLimit = status.ullTotalPageFile;
  memory.availableCommit = status.ullAvailPageFile;
  memory.totalVirtual = status.ullTotalVirtual;
  memory.availableVirtual = status.ullAvailVirtual;
  return memory;
}

TempDiskInfo CollectTemp() {
  TempDiskInfo temp;
  temp.tempPath = platform::TempFolder();
  ULARGE_INTEGER freeForCaller{};
  ULARGE_INTEGER total{};
  ULARGE_INTEGER freeOnDisk{};
  if (::GetDiskFreeSpaceExW(ToWindows(temp.tempPath).c_str(), &freeForCaller, &total, &freeOnDisk)) {
    temp.freeForCaller = freeForCaller.QuadPart;
    temp.freeOnDisk = freeOnDisk.QuadPart;
    temp.diskSize = total.QuadPart;
  }
  return temp;
}

bool SnapshotProcesses(std::vector<ProcessEntry>* processes) {
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
    processes->push_back(ProcessEntry{entry.th32ProcessID, FromWindows(entry.szExeFile)});
  }
  ::CloseHandle(snapshot);
  return true;
}

// The first module file name of a process that can be read, or empty.
std::string ModuleFileName(DWORD id) {
  const HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
  if (process == nullptr) return {};
  std::string name;
  std::array<HMODULE, kMaxModules> modules{};
  DWORD needed = 0;
  if (::K32EnumProcessModules(process, modules.data(), sizeof modules, &needed)) {
    const DWORD count = std::min<DWORD>(needed / sizeof(HMODULE), kMaxModules);
    for (DWORD i = 0; i < count && name.empty(); ++i) {
      wchar_t path[MAX_PATH] = {};
      const DWORD length = ::K32GetModuleFileNameExW(process, modules[i], path, MAX_PATH);
      if (length > 0) name = FromWindows(std::wstring_view(path, length));
    }
  }
  ::CloseHandle(process);
  return name;
}

void EnumerateProcesses(std::vector<ProcessEntry>* processes) {
  std::array<DWORD, kMaxProcessIds> ids{};
  DWORD bytes = 0;
  if (!::K32EnumProcesses(ids.data(), sizeof ids, &bytes)) return;
  for (DWORD i = 0; i < bytes / sizeof(DWORD); ++i) processes->push_back(ProcessEntry{ids[i], ModuleFileName(ids[i])});
}

}  // namespace

SystemSummary CollectSystemSummary() {
  SystemSummary summary;
  summary.osLine = OsLine();
  summary.screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
  summary.screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
  SYSTEM_INFO system{};
  ::GetSystemInfo(&system);
  summary.processors = static_cast<int>(system.dwNumberOfProcessors);
  summary.systemDirectory = platform::SystemDirectory().value_or("");
  summary.windowsDirectory = platform::WindowsDirectory().value_or("");
  summary.memory = CollectMemory();
  summary.temp = CollectTemp();
  return summary;
}

std::vector<std::string> CollectEnvironment() {
  std::vector<std::string> entries;
  wchar_t* block = ::GetEnvironmentStringsW();
  if (block == nullptr) return entries;
  for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
    entries.push_back(FromWindows(entry));
  }
  ::FreeEnvironmentStringsW(block);
  return entries;
}

std::vector<ProcessEntry> CollectProcesses() {
  std::vector<ProcessEntry> processes;
  if (!SnapshotProcesses(&processes)) EnumerateProcesses(&processes);
  return processes;
}

std::string LongPathName(const std::string& path) {
  const std::wstring wide = ToWindows(path);
  const DWORD needed = ::GetLongPathNameW(wide.c_str(), nullptr, 0);
  if (needed == 0) return path;
  std::wstring longPath(needed, L'\0');
  const DWORD length = ::GetLongPathNameW(wide.c_str(), longPath.data(), needed);
  if (length == 0 || length >= needed) return path;
  longPath.resize(length);
  return FromWindows(longPath);
}

}  // namespace tv::tvcore
