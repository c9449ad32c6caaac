// The process-wide stop request: one byte that the Stop control (or Ctrl-C in
// vtl) sets and that every long loop of the parsers and of the recovery
// tests. Each command clears it when it starts.
#pragma once

#include <atomic>
#include <cstdint>

namespace tv {

std::atomic<std::uint8_t>& BreakFlag();

inline bool BreakRequested() { return BreakFlag().load(std::memory_order_relaxed) != 0; }

}  // namespace tv
