// The machine as Linux describes it: uname for the system, sysconf for the
// processors, /proc for memory and processes, statvfs for the temp disk. This
// folder and win32/ hold the only code of the library that includes system
// headers, since the library ships on its own beside the program.
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <system_error>

#include "platform/folders.h"
#include "tvcore/file_text.h"
#include "tvcore/system_info.h"

extern char** environ;

namespace tv::tvcore {

namespace {

constexpr std::size_t kMaxProcFile = 1 << 20;

// The fields of /proc/meminfo, in bytes.
std::map<std::string, std::uint64_t> MemoryInfo() {
  std::map<std::string, std::uint64_t> fields;
  std::string text;
  if (!ReadWholeFile("/proc/meminfo", &text, kMaxProcFile)) return fields;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::uint64_t kibibytes = std::strtoull(line.c_str() + colon + 1, nullptr, 10);
    fields[line.substr(0, colon)] = kibibytes * 1024;
  }
  return fields;
}

// The address space a process may use: its limit when one is set, else what
// the pointer size allows the user half of the address space.
std::uint64_t AddressSpace() {
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) return limit.rlim_cur;
  return sizeof(void*) >= 8 ? std::uint64_t{1} << 47 : std::uint64_t{1} << 31;
}

std::uint64_t ProcessSize() {
  std::string text;
  if (!ReadWholeFile("/proc/self/statm", &text, kMaxProcFile)) return 0;
  return std::strtoull(text.c_str(), nullptr, 10) * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

MemoryStatus CollectMemory() {
  const auto fields = MemoryInfo();
  const auto field = [&](const char* name) {
    const auto found = fields.find(name);
    return found == fields.end() ? std::uint64_t{0} : found->second;
  };
  MemoryStatus memory;
  memory.totalPhysical = field("MemTotal");
  memory.availablePhysical = field("MemAvailable");
  if (memory.totalPhysical > 0) {
    memory.load = static_cast<unsigned>((memory.totalPhysical - std::min(memory.availablePhysical, memory.totalPhysical)) *
                                        100 / memory.totalPhysical);
  }
  memory.commitLimit = field("CommitLimit");
  const std::uint64_t committed = field("Committed_AS");
  memory.availableCommit = memory.commitLimit > committed ? memory.commitLimit - committed : 0;
  memory.totalVirtual = AddressSpace();
  const std::uint64_t used = ProcessSize();
  memory.availableVirtual = memory.totalVirtual > used ? memory.totalVirtual - used : 0;
  return memory;
}

TempDiskInfo CollectTemp() {
  TempDiskInfo temp;
  temp.tempPath = platform::TempFolder();
  struct statvfs disk {};
  if (statvfs(temp.tempPath.c_str(), &disk) == 0) {
    temp.freeForCaller = static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize;
    temp.freeOnDisk = static_cast<std::uint64_t>(disk.f_bfree) * disk.f_frsize;
    temp.diskSize = static_cast<std::uint64_t>(disk.f_blocks) * disk.f_frsize;
  }
  return temp;
}

std::string FirstLine(const std::string& path) {
  std::string text;
  if (!ReadWholeFile(path, &text, kMaxProcFile)) return {};
  return text.substr(0, text.find('\n'));
}

}  // namespace

SystemSummary CollectSystemSummary() {
  SystemSummary summary;
  utsname names{};
  if (uname(&names) == 0) {
    summary.osLine = std::string(names.sysname) + " " + names.release + " " + names.version + " " + names.machine;
  }
  summary.osLine += "\n";
  // A command-line host has no screen of its own to measure.
  summary.processors = static_cast<int>(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)));
  summary.memory = CollectMemory();
  summary.temp = CollectTemp();
  return summary;
}

std::vector<std::string> CollectEnvironment() {
  std::vector<std::string> entries;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) entries.emplace_back(*entry);
  return entries;
}

std::vector<ProcessEntry> CollectProcesses() {
  std::vector<ProcessEntry> processes;
  std::error_code error;
  for (std::filesystem::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.empty() || !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      continue;
    }
    ProcessEntry process;
    process.id = static_cast<std::uint32_t>(std::strtoul(name.c_str(), nullptr, 10));
    // The executable's name when its link can be read, else the short name
    // the kernel keeps for every process.
    std::error_code linkError;
    const std::filesystem::path executable = std::filesystem::read_symlink(it->path() / "exe", linkError);
    process.imageName = linkError ? FirstLine((it->path() / "comm").string()) : executable.filename().string();
    processes.push_back(std::move(process));
  }
  std::sort(processes.begin(), processes.end(),
            [](const ProcessEntry& a, const ProcessEntry& b) { return a.id < b.id; });
  return processes;
}

std::string LongPathName(const std::string& path) { return path; }

}  // namespace tv::tvcore
