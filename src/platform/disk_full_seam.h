// A test seam that makes the disk below one folder look full: writes to files
// opened for writing below that folder stop once a given number of bytes has
// been written to them, with the disk-full error a full disk answers. Tests
// of the recovery use it; nothing else sets it, and while it is off it costs
// one flag test per open, close and write.
#pragma once

#include <cstdint>
#include <string>

#include "platform/files.h"

namespace tv::platform {

// Files opened for writing below `folder` from now on share `capacityBytes`.
void SimulateFullDisk(const std::string& folder, std::uint64_t capacityBytes);
void StopSimulatingFullDisk();

namespace seam {
// Called by the file layer of each system.
void NoteOpenedFile(const std::string& path, FileHandle file, Access access);
void NoteClosedFile(FileHandle file);
// How many of `bytes` may be written to `file` (all of them unless the file
// lies on the simulated full disk).
std::uint32_t WritableBytes(FileHandle file, std::uint32_t bytes);
}  // namespace seam

}  // namespace tv::platform
