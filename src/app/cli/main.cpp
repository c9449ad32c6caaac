// vtl: the command line of Vantrel.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/cli/cli_args.h"
#include "app/cli/commands.h"
#include "app/log_location.h"
#include "app/version.h"
#include "parser/product_folder.h"

namespace tv::cli {
namespace {

void PrintUsage(std::FILE* out) {
  std::fprintf(out, "Usage: vtl COMMAND [ARGS] [OPTIONS]\n\n"
                    "Finds deleted files and folders on an NTFS, FAT32, FAT16 or FAT12 volume\n"
                    "and recovers them to another drive. The volume is only ever read.\n\n"
                    "Commands:\n");
  for (const Command& command : AllCommands()) {
    std::fprintf(out, "  vtl %-44s %s\n", command.usage, command.summary);
  }
  std::fprintf(out, "\nCommon options:\n"
                    "  --log FILE    write the operation log to FILE\n"
                    "  -q, --quiet   print no progress\n"
                    "  -h, --help    show this help\n"
                    "  --version     show the version\n"
                    "\nIn the text output of scan and list, a control character in a name is shown\n"
                    "as <XX>, its code in hexadecimal (<1B> for ESC); --json output keeps the\n"
                    "escapes of JSON (\\u001b).\n"
                    "\nExit status:\n"
                    "  0    done\n"
                    "  1    some entries could not be recovered or read, or the scan ended early\n"
                    "  2    bad usage, or a volume that cannot be opened, holds no supported file\n"
                    "       system, or whose structures (the MFT, the root folder) cannot be read\n"
                    "  130  stopped with Ctrl-C\n");
}

const Command* FindCommand(const std::string& name) {
  for (const Command& command : AllCommands()) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

int Run(const std::vector<std::string>& words) {
  std::string error;
  const auto args = ParseCommandLine(words, &error);
  if (!args) {
    std::fprintf(stderr, "vtl: %s\n", error.c_str());
    return kExitUsage;
  }
  if (args->version) {
    std::printf("vtl %s\n", kVersionString);
    return kExitOk;
  }
  if (args->help || args->command.empty()) {
    PrintUsage(args->help ? stdout : stderr);
    return args->help ? kExitOk : kExitUsage;
  }
  const Command* command = FindCommand(args->command);
  if (!command) {
    std::fprintf(stderr, "vtl: unknown command '%s' (see vtl --help)\n", args->command.c_str());
    return kExitUsage;
  }
  if (!args->logPath.empty()) {
    const std::string reason = StartLogFile(args->logPath);
    if (!reason.empty()) {
      std::fprintf(stderr, "vtl: cannot create the log file '%s': %s; no log is written\n", args->logPath.c_str(),
                   reason.c_str());
    }
  } else {
    StartLogFile(PrepareDefaultLogPath(DefaultTvcorePath()));
  }
  return command->run(*args);
}

}  // namespace
}  // namespace tv::cli

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  return tv::cli::Run(words);
}
