// Runs a fuzz target outside libFuzzer: every file named on the command
// line, and every file of every folder named (in name order), goes through
// LLVMFuzzerTestOneInput once. The builds without libFuzzer replay the
// committed regression inputs and a few seeds this way, so that every
// finding stays a test in every build. A path that does not exist is
// skipped; a run that replays nothing at all fails.
//
// As under libFuzzer (scripts/fuzz passes the same limit), one allocation
// larger than kMallocLimit ends the run: no input of a fuzz target is large
// enough to need it, so it comes from a size on disk that nothing bounded.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

constexpr std::size_t kMallocLimit = std::size_t{256} << 20;

void* Allocate(std::size_t size) {
  if (size > kMallocLimit) {
    std::fprintf(stderr, "allocation of %zu bytes is above the limit of %zu bytes\n", size, kMallocLimit);
    std::abort();
  }
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

void* operator new(std::size_t size) {
  if (void* block = Allocate(size)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace {

bool Replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.string().c_str());
    return false;
  }
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // Printed first, so that a crash shows which input caused it.
  std::printf("replay %s (%zu bytes)\n", file.string().c_str(), bytes.size());
  std::fflush(stdout);
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t replayed = 0;
  bool ok = true;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    std::error_code error;
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(path, error)) {
      for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
        if (entry.is_regular_file(error)) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
    } else if (std::filesystem::is_regular_file(path, error)) {
      files.push_back(path);
    } else {
      std::printf("%s: not there, skipped\n", argv[i]);
    }
    for (const auto& file : files) {
      ok = Replay(file) && ok;
      ++replayed;
    }
  }
  std::printf("%zu inputs replayed\n", replayed);
  return ok && replayed > 0 ? 0 : 1;
}
