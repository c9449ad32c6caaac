// Reads drive D: through its volume device the way the program does, and
// compares what comes back with the image file that D: stands for.
//
//   wine_drive_test.exe IMAGE [--unmounted]
//
// The caller maps D: to a FAT12 image made by mkfs.fat and passes the image's
// own path. With --unmounted, D: has no root folder, as a volume whose file
// system the system cannot mount: its size then comes from the device and
// must be the image's. Exit status 0 when every check holds.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "disk/disk_drive.h"
#include "disk/le_reader.h"
#include "platform/files.h"

namespace {

int g_failures = 0;

void Check(bool condition, const char* what) {
  std::printf("%s: %s\n", condition ? "ok  " : "FAIL", what);
  if (!condition) ++g_failures;
}

}  // namespace

int main(int argc, char** argv) {
  const bool unmounted = argc == 3 && std::string(argv[2]) == "--unmounted";
  if (argc != 2 && !unmounted) {
    std::fprintf(stderr, "usage: wine_drive_test IMAGE [--unmounted]\n");
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  const std::vector<std::uint8_t> image{std::istreambuf_iterator<char>(file),
                                        std::istreambuf_iterator<char>()};
  Check(!image.empty() && image.size() % tv::kSectorSize == 0, "the image file reads directly");
  if (g_failures != 0) return 1;
  const auto imageSectors = static_cast<std::uint32_t>(image.size() / tv::kSectorSize);

  std::unique_ptr<tv::CDiskDrive> drive;
  Check(tv::CreateDiskDrive(1, &drive) == 0 && drive != nullptr, "a logical drive is created");
  if (g_failures != 0) return 1;
  Check(drive->OpenByNumber('D') == 0, "volume D: opens");
  if (g_failures != 0) return 1;
  Check(drive->DevicePath() == u"\\\\.\\D:", "the device path is \\\\.\\D:");
  std::printf("total sectors: %llu, image sectors: %u\n",
              static_cast<unsigned long long>(drive->TotalSectors()), imageSectors);
  if (unmounted) {
    Check(drive->TotalSectors() == imageSectors, "the volume is sized by its device");
  } else {
    // A mounted D: is sized by the file system that holds its root folder,
    // not by the image, so only reads inside the image are compared.
    Check(drive->TotalSectors() >= imageSectors, "the volume is at least as large as the image");
  }

  std::vector<std::uint8_t> boot(tv::kSectorSize);
  std::uint32_t read = 0;
  std::uint32_t written = 0;
  Check(!tv::platform::WriteFile(drive->GetHandle(), boot.data(), tv::kSectorSize, &written),
        "the volume handle cannot write");
  Check(drive->ReadAt(0, boot.data(), 1, &read) == tv::kReadOk && read == 1, "sector 0 reads");
  tv::LeReader fields(boot);
  Check(fields.U16(510) == 0xAA55, "the boot sector ends in 55 AA");
  Check(fields.U16(11) == 512, "512 bytes per sector");
  const auto label = fields.Bytes(54, 8);
  Check(std::string(label.begin(), label.end()) == "FAT12   ", "the file-system label is FAT12");

  // A run across the FATs and the root directory, and then the whole image.
  const std::uint32_t runs[][2] = {{1, 40}, {0, imageSectors}};
  for (const auto& run : runs) {
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(run[1]) * tv::kSectorSize);
    const int result = drive->ReadSectors(run[0], buffer.data(), run[1], &read);
    const auto expected = image.begin() + static_cast<std::ptrdiff_t>(run[0]) * tv::kSectorSize;
    const std::string what = "sectors " + std::to_string(run[0]) + ".." +
                             std::to_string(run[0] + run[1] - 1) + " match the image";
    Check(result == tv::kReadOk && read == run[1] &&
              std::equal(buffer.begin(), buffer.end(), expected),
          what.c_str());
  }

  if (unmounted) {
    std::vector<std::uint8_t> tail(4 * tv::kSectorSize);
    Check(drive->ReadSectors(imageSectors - 2, tail.data(), 4, &read) == tv::kReadOk && read == 2 &&
              std::equal(tail.begin(), tail.begin() + 2 * tv::kSectorSize,
                         image.end() - 2 * tv::kSectorSize),
          "a run past the end is shortened to the last sector");
    Check(drive->ReadAt(imageSectors, tail.data(), 1, &read) == tv::kReadOutOfRange,
          "a read at the end is out of range");
  }
  return g_failures == 0 ? 0 : 1;
}
