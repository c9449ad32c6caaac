// The commands of vtl. Each command lives in its own cmd_<name>.cpp and is
// listed once in commands.cpp.
#pragma once

#include <span>

#include "app/cli/cli_args.h"

namespace tv::cli {

// Exit statuses of vtl.
inline constexpr int kExitOk = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitUsage = 2;  // bad usage, unopenable volume, unsupported file system
inline constexpr int kExitStopped = 130;

struct Command {
  const char* name;
  const char* usage;    // e.g. "probe VOLUME"
  const char* summary;  // one line for --help
  int (*run)(const CliArgs& args);
};

std::span<const Command> AllCommands();

}  // namespace tv::cli
