#include "tvcore/scramble.h"

#include <cstring>

namespace tv::tvcore {

namespace {

constexpr std::size_t kPrefixLength = 6;
constexpr unsigned char kKey = 0xA7;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

void DecodeScrambledInPlace(char* buffer, std::size_t capacity) {
  if (buffer == nullptr || capacity == 0) return;
  // The buffer may hold whatever the caller left in it; never read past it.
  std::size_t length = 0;
  while (length < capacity && buffer[length] != '\0') ++length;
  if (length == capacity) length = capacity - 1;

  const std::size_t pairs = length / 2 > kPrefixLength / 2 ? length / 2 - kPrefixLength / 2 : 0;
  std::size_t written = 0;
  for (; written < pairs; ++written) {
    const char* pair = buffer + kPrefixLength + 2 * written;
    const int high = HexDigit(pair[0]);
    const int low = HexDigit(pair[1]);
    if (high < 0 || low < 0) break;
    buffer[written] = static_cast<char>(static_cast<unsigned char>(high * 16 + low) ^ kKey);
  }
  buffer[written] = '\0';
}

std::string DecodeScrambled(std::string_view stored) {
  std::string text(stored);
  text.push_back('\0');
  DecodeScrambledInPlace(text.data(), text.size());
  return std::string(text.c_str());
}

}  // namespace tv::tvcore
