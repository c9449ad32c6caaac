#include "support/temp_folder.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace tv::testing {
namespace {

std::string Utf8(const std::filesystem::path& path) {
  const auto text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::filesystem::path FromUtf8(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace

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

std::string TempFolder::Text() const { return Utf8(m_path); }

std::string TempFolder::File(const std::string& name) const { return Utf8(m_path / FromUtf8(name)); }

std::string TempFolder::Write(const std::string& name, const std::string& contents) const {
  const std::filesystem::path file = m_path / FromUtf8(name);
  std::error_code error;
  std::filesystem::create_directories(file.parent_path(), error);
  std::ofstream out(file, std::ios::binary);
  out << contents;
  out.close();
  if (!out) throw std::runtime_error("cannot write " + Utf8(file));
  return Utf8(file);
}

std::string TempFolder::MakeFolder(const std::string& name) const {
  const std::filesystem::path folder = m_path / FromUtf8(name);
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) throw std::runtime_error("cannot make the folder " + Utf8(folder) + ": " + error.message());
  return Utf8(folder);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(FromUtf8(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tv::testing
