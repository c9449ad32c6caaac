// vtl diag ARCHIVE.zip: the diagnostics report of the shared services
// library, packed into a ZIP archive.
#include <cstdio>
#include <string>

#include "app/cli/commands.h"
#include "parser/product_folder.h"
#include "platform/files.h"
#include "platform/library.h"
#include "tvcore/tvcore_api.h"

namespace tv::cli {

int RunDiag(const CliArgs& args) {
  if (args.positional.size() != 1) {
    std::fprintf(stderr, "vtl: diag needs one archive name (vtl diag ARCHIVE.zip)\n");
    return kExitUsage;
  }
  const std::string& archive = args.positional[0];

  // tvcore is loaded from the program's own folder, as the window program does.
  const std::string libraryPath = DefaultTvcorePath();
  const platform::LibraryHandle library = platform::LoadLibrary(libraryPath);
  if (library == nullptr) {
    std::fprintf(stderr, "vtl: could not load %s\n", libraryPath.c_str());
    return kExitUsage;
  }
  const auto initialize = reinterpret_cast<tvcore::api::InitializeFn>(platform::FindSymbol(library, "Initialize"));
  const auto diagnose = reinterpret_cast<tvcore::api::TVdiagFn>(platform::FindSymbol(library, "TVdiag"));
  if (initialize == nullptr || diagnose == nullptr) {
    std::fprintf(stderr, "vtl: %s lacks Initialize or TVdiag\n", libraryPath.c_str());
    return kExitUsage;
  }

  initialize(kProductCode);
  // The window program deletes the chosen file after asking; naming the
  // archive on the command line is the same choice.
  if (platform::PathExists(archive)) platform::DeleteFile(archive);
  const int errors = diagnose(archive.c_str(), 1, nullptr, "CLI", 0);
  // The library stays loaded until the process ends, as in the window program.
  if (errors != 0) {
    std::fprintf(stderr, "vtl: the diagnostics report could not be written to %s%s\n", archive.c_str(),
                 errors < 0 ? "" : " completely");
    return kExitUsage;
  }
  if (!args.quiet) std::printf("Diagnostics report written to %s\n", archive.c_str());
  return kExitOk;
}

}  // namespace tv::cli
