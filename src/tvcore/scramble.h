// The scrambled form of the product strings: six characters of any kind
// followed by one pair of hex digits per character, each pair XOR 0xA7.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tv::tvcore {

// Decodes the zero-terminated text in `buffer` (at most `capacity` bytes are
// looked at) in place. A text of n characters yields n/2 - 3 characters;
// shorter texts become empty. Decoding stops at a pair that is not two hex
// digits, so a damaged value is cut short rather than turned into noise.
void DecodeScrambledInPlace(char* buffer, std::size_t capacity);

std::string DecodeScrambled(std::string_view stored);

}  // namespace tv::tvcore
