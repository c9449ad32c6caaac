#include "workflow_fixtures.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace tv::testing {

Bytes Pattern(std::size_t size, std::uint8_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 31 + i / 251 + seed) | 1);
  return bytes;
}

void PutData(TinyVolume& volume, std::uint32_t cluster, const Bytes& data, std::size_t offset) {
  const std::size_t at = TinyClusterSector(cluster) * 512 + offset;
  std::copy(data.begin(), data.end(), volume.Image().begin() + static_cast<std::ptrdiff_t>(at));
}

Bytes ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tv::testing
