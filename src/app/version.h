// The program's version, shared by the window and the command line.
#pragma once

namespace tv {
inline constexpr const char* kVersionString = "0.1.0";
}  // namespace tv
