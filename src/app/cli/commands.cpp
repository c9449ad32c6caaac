#include "app/cli/commands.h"

#include <array>

namespace tv::cli {

int RunProbe(const CliArgs& args);
int RunScanCommand(const CliArgs& args);
int RunListCommand(const CliArgs& args);
int RunRecoverCommand(const CliArgs& args);
int RunCatCommand(const CliArgs& args);
int RunDumpMftCommand(const CliArgs& args);
int RunDiag(const CliArgs& args);

// Commands are added here as they are built.
std::span<const Command> AllCommands() {
  static const std::array commands{
      Command{"probe", "probe VOLUME", "name the file system of a volume", RunProbe},
      Command{"scan", "scan VOLUME [--all] [--json]", "list the deleted entries (--all: every entry)",
              RunScanCommand},
      Command{"list", "list VOLUME [FOLDER] [--files P] [--folders P] [--sort COL[:desc]] [--json]",
              "show one folder as the window lists it", RunListCommand},
      Command{"recover", "recover VOLUME --to DIR (--all | ENTRY...) [--overwrite ask|all|no]",
              "write deleted entries into DIR", RunRecoverCommand},
      Command{"cat", "cat VOLUME ENTRY", "write an entry's data (path or #key) to standard output",
              RunCatCommand},
      Command{"dump-mft", "dump-mft VOLUME [--out DIR]", "copy the boot sector and the MFT start to files",
              RunDumpMftCommand},
      Command{"diag", "diag ARCHIVE.zip", "write the diagnostics report archive", RunDiag},
  };
  return commands;
}

}  // namespace tv::cli
