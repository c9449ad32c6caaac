#include "parser/break_flag.h"

namespace tv {

std::atomic<std::uint8_t>& BreakFlag() {
  static std::atomic<std::uint8_t> flag{0};
  return flag;
}

}  // namespace tv
