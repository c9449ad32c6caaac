// Whether writing under a folder can change a scanned volume. The folder's
// file system is followed down to everything that holds its bytes: the
// source of a mount without a block device of its own (FUSE, say), the
// whole disk of a partition, the members of a mapped or RAID device, the
// file behind a loop device, and the file system that holds that file.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/posix/mount_table.h"

namespace tv::platform {

namespace {

// Device stacks are a few levels deep; this bounds the walk through
// whatever the system reports.
constexpr std::size_t kMaxStorages = 64;

// A place that holds bytes: a block device, or a file (by its file system's
// device number and its inode, so that any path to it is the same file).
struct Storage {
  bool isFile = false;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const Storage&) const = default;
};

bool StorageOfPath(const std::string& path, Storage* storage) {
  struct stat info {};
  if (path.empty() || stat(path.c_str(), &info) != 0) return false;
  if (S_ISBLK(info.st_mode)) {
    *storage = {false, static_cast<std::uint64_t>(info.st_rdev), 0};
    return true;
  }
  if (S_ISREG(info.st_mode)) {
    *storage = {true, static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
    return true;
  }
  return false;
}

std::string SysfsFolder(std::uint64_t device) {
  const auto number = static_cast<dev_t>(device);
  return "/sys/dev/block/" + std::to_string(major(number)) + ":" + std::to_string(minor(number));
}

std::string FirstLine(const std::string& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// A block device's number from a sysfs "dev" file ("major:minor").
bool ReadDeviceNumber(const std::string& file, Storage* storage) {
  std::ifstream in(file);
  unsigned int high = 0, low = 0;
  char colon = 0;
  if (!(in >> high >> colon >> low) || colon != ':') return false;
  *storage = {false, static_cast<std::uint64_t>(makedev(high, low)), 0};
  return true;
}

// The file behind a loop device, compared by identity: the path the kernel
// reports is only the way to it.
bool LoopBackingFile(std::uint64_t device, Storage* file) {
  return StorageOfPath(FirstLine(SysfsFolder(device) + "/loop/backing_file"), file) && file->isFile;
}

// Where the file system with device number `device` keeps its bytes. Numbers
// with major 0 stand for no block device (FUSE, network and memory file
// systems): the mount's source tells, when it is the full path of a device
// or a file; names such as "tmpfs" are not looked up as paths.
bool FileSystemStorage(std::uint64_t device, Storage* storage) {
  if (major(static_cast<dev_t>(device)) != 0) {
    *storage = {false, device, 0};
    return true;
  }
  const std::string source = posix::MountSource(static_cast<dev_t>(device));
  return !source.empty() && source[0] == '/' && StorageOfPath(source, storage);
}

// What a write to `storage` also writes to, one level down.
std::vector<Storage> Beneath(const Storage& storage) {
  std::vector<Storage> below;
  Storage next;
  if (storage.isFile) {
    if (FileSystemStorage(storage.device, &next)) below.push_back(next);
    return below;
  }
  const std::string folder = SysfsFolder(storage.device);
  if (LoopBackingFile(storage.device, &next)) below.push_back(next);
  // The kernel resolves ".." after the link to the partition's own folder,
  // which lies in its disk's folder.
  if (PathExists(folder + "/partition") && ReadDeviceNumber(folder + "/../dev", &next)) below.push_back(next);
  if (DIR* members = opendir((folder + "/slaves").c_str())) {
    while (const dirent* entry = readdir(members)) {
      if (entry->d_name[0] == '.') continue;
      if (below.size() >= kMaxStorages) break;
      if (ReadDeviceNumber(folder + "/slaves/" + entry->d_name + "/dev", &next)) below.push_back(next);
    }
    closedir(members);
  }
  return below;
}

bool Contains(const std::vector<Storage>& list, const Storage& storage) {
  return std::find(list.begin(), list.end(), storage) != list.end();
}

}  // namespace

bool SameVolumeAs(const std::string& volumePath, const std::string& folder) {
  Storage volume;
  if (!StorageOfPath(volumePath, &volume)) return false;
  // The scanned bytes: the device or image itself, and the file a loop
  // device reads, which another loop device over it may write.
  std::vector<Storage> scanned{volume};
  Storage backing;
  if (!volume.isFile && LoopBackingFile(volume.device, &backing)) scanned.push_back(backing);

  struct stat info {};
  Storage top;
  if (stat(folder.c_str(), &info) != 0 || !FileSystemStorage(static_cast<std::uint64_t>(info.st_dev), &top)) {
    return false;
  }
  std::vector<Storage> written{top};
  for (std::size_t i = 0; i < written.size() && written.size() < kMaxStorages; ++i) {
    for (const Storage& next : Beneath(written[i])) {
      if (!Contains(written, next) && written.size() < kMaxStorages) written.push_back(next);
    }
  }
  return std::any_of(scanned.begin(), scanned.end(), [&](const Storage& s) { return Contains(written, s); });
}

}  // namespace tv::platform
