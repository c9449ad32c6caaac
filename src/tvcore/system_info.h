// What the diagnostics report tells about the machine, gathered from the
// system: Win32 calls on Windows, uname, sysconf and /proc elsewhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace tv::tvcore {

struct MemoryStatus {
  unsigned load = 0;  // percent of physical memory in use
  std::uint64_t totalPhysical = 0;
  std::uint64_t availablePhysical = 0;
  std::uint64_t commitLimit = 0;
  std::uint64_t availableCommit = 0;
  std::uint64_t totalVirtual = 0;
  std::uint64_t availableVirtual = 0;
};

struct TempDiskInfo {
  std::string tempPath;
  std::uint64_t freeForCaller = 0;
  std::uint64_t freeOnDisk = 0;
  std::uint64_t diskSize = 0;
};

struct SystemSummary {
  std::string osLine;  // one line naming the system and its version, ending in "\n"
  int screenWidth = 0;
  int screenHeight = 0;
  int processors = 0;
  std::string systemDirectory;
  std::string windowsDirectory;
  MemoryStatus memory;
  TempDiskInfo temp;
};

struct ProcessEntry {
  std::uint32_t id = 0;
  std::string imageName;  // empty when the process could not be examined
};

SystemSummary CollectSystemSummary();
// The entries of the process environment, "NAME=value" each.
std::vector<std::string> CollectEnvironment();
std::vector<ProcessEntry> CollectProcesses();

// The long form of a path that may hold short (8.3) names; unchanged where
// the system has none.
std::string LongPathName(const std::string& path);

// File attributes, with the values Windows gives them.
inline constexpr std::uint32_t kAttributeReadOnly = 0x1;
inline constexpr std::uint32_t kAttributeHidden = 0x2;
inline constexpr std::uint32_t kAttributeSystem = 0x4;
// The folder bit is kAttributeDirectory of platform/types.h.
inline constexpr std::uint32_t kAttributeArchive = 0x20;
inline constexpr std::uint32_t kAttributeReparsePoint = 0x400;
inline constexpr std::uint32_t kAttributeCompressed = 0x800;
inline constexpr std::uint32_t kAttributeOffline = 0x1000;
inline constexpr std::uint32_t kAttributeEncrypted = 0x4000;

struct FolderEntry {
  std::string name;
  bool isFolder = false;
  // A link or junction: listed, never followed, so that a loop of links
  // cannot make the listing endless.
  bool isLink = false;
  std::uint64_t size = 0;
  FileTime lastWrite = 0;  // UTC
  std::uint32_t attributes = 0;
  std::string shortName;  // empty when the entry has no short name
};

// The entries of a folder in the order the system gives them, without "."
// and "..". Empty when the folder cannot be read.
std::vector<FolderEntry> ListFolder(const std::string& folder);

}  // namespace tv::tvcore
