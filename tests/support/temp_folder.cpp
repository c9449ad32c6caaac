#include "support/temp_folder.h"

#include <random>
#include <stdexcept>

namespace tv::testing {

TempFolder::TempFolder() {
  std::random_device random;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("tv_test_" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate)) {
      m_path = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(m_path, ignored);
}

namespace {

std::string Utf8(const std::filesystem::path& path) {
  const auto text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

std::string TempFolder::Text() const { return Utf8(m_path); }

std::string TempFolder::File(const std::string& name) const { return Utf8(m_path / name); }

}  // namespace tv::testing
