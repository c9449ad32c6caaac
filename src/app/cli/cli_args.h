// The parsed command line of vtl.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tv::cli {

struct CliArgs {
  std::string command;                 // "probe", "scan", ...; empty for --help/--version alone
  std::vector<std::string> positional; // words after the command that are not options
  std::map<std::string, std::string> options;  // "--to" -> "DIR"; flags map to ""
  bool quiet = false;
  bool help = false;
  bool version = false;
  std::string logPath;                 // --log FILE; empty for the default place

  bool Has(const std::string& option) const { return options.count(option) != 0; }
  std::optional<std::string> Value(const std::string& option) const;
};

// Parses argv (without the program name). On bad usage returns nullopt and
// sets `error` to a one-line message.
std::optional<CliArgs> ParseCommandLine(const std::vector<std::string>& words, std::string* error);

}  // namespace tv::cli
