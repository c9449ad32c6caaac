#include "platform/disk_full_seam.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>

namespace tv::platform {

namespace {

struct FullDisk {
  std::mutex lock;
  std::string folder;
  std::uint64_t capacity = 0;
  std::uint64_t used = 0;
  std::set<FileHandle> files;
};

std::atomic<bool> g_active{false};

FullDisk& State() {
  static FullDisk state;
  return state;
}

}  // namespace

void SimulateFullDisk(const std::string& folder, std::uint64_t capacityBytes) {
  FullDisk& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  state.folder = folder;
  state.capacity = capacityBytes;
  state.used = 0;
  state.files.clear();
  g_active = true;
}

void StopSimulatingFullDisk() {
  FullDisk& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  g_active = false;
  state.files.clear();
}

namespace seam {

void NoteOpenedFile(const std::string& path, FileHandle file, Access access) {
  if (!g_active || file == kInvalidFile || access == Access::Read) return;
  FullDisk& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  if (path.compare(0, state.folder.size(), state.folder) == 0) state.files.insert(file);
}

void NoteClosedFile(FileHandle file) {
  if (!g_active) return;
  FullDisk& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  state.files.erase(file);
}

std::uint32_t WritableBytes(FileHandle file, std::uint32_t bytes) {
  if (!g_active) return bytes;
  FullDisk& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  if (state.files.count(file) == 0) return bytes;
  const std::uint64_t left = state.capacity - std::min(state.used, state.capacity);
  const auto allowed = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, bytes));
  state.used += allowed;
  return allowed;
}

}  // namespace seam

}  // namespace tv::platform
