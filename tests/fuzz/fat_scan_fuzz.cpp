// The whole FAT scan over a volume held in memory: the input is the start
// of a FAT12, FAT16 or FAT32 volume (the drive ends where the input ends).
// The parser the boot sector asks for prepares it, the scan walks its
// directory tree as vtl runs it, and a few of the files found are read the
// way recovery reads them.
#include <cstdint>
#include <memory>

#include "app/parser_factory.h"
#include "app/scan_run.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tv;
  const std::span<const std::uint8_t> input = fuzzing::Input(data, size);
  const std::vector<std::uint8_t> boot = fuzzing::BootSectorOf(input);
  const std::uint8_t type = DetectFileSystem(boot);
  if (type != kFsFat12 && type != kFsFat16 && type != kFsFat32) return 0;
  std::unique_ptr<CFileSystemParser> parser = CreateParser(type, fuzzing::DriveOver(input), boot);
  if (parser->IsMftDamaged() != 0) return 0;
  RunScan(*parser);
  fuzzing::ReadSomeFiles(*parser, parser->Root(), 8, 64 * 1024);
  return 0;
}
