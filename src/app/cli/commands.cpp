#include "app/cli/commands.h"

#include <array>

namespace tv::cli {

int RunProbe(const CliArgs& args);
int RunScanCommand(const CliArgs& args);
int RunCatCommand(const CliArgs& args);
int RunDiag(const CliArgs& args);

// Commands are added here as they are built.
std::span<const Command> AllCommands() {
  static const std::array commands{
      Command{"probe", "probe VOLUME", "name the file system of a volume", RunProbe},
      Command{"scan", "scan VOLUME [--all] [--json]", "list the deleted entries (--all: every entry)",
              RunScanCommand},
      Command{"cat", "cat VOLUME ENTRY", "write an entry's data (path or #key) to standard output",
              RunCatCommand},
      Command{"diag", "diag ARCHIVE.zip", "write the diagnostics report archive", RunDiag},
  };
  return commands;
}

}  // namespace tv::cli
