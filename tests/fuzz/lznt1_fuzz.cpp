// LZNT1 expansion of one compression unit. The first two bytes give the
// room the output has less one (up to a 64 KiB unit), so that the input
// ends a run as often as a full output does; the rest is the compressed data.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "ntfs/lznt1.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t room = (std::size_t{data[0]} | (std::size_t{data[1]} << 8)) + 1;
  // Exactly the room: a write past it is caught by the address sanitizer.
  std::vector<std::uint8_t> output(room);
  const tv::ntfs::Lznt1Result result =
      tv::ntfs::DecompressLznt1(tv::fuzzing::Input(data + 2, size - 2), output);
  if (result.produced > output.size()) std::abort();
  return 0;
}
