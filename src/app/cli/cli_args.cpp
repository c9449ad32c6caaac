#include "app/cli/cli_args.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace tv::cli {
namespace {

struct OptionSpec {
  std::string_view name;
  bool takesValue;
};

// Every option any command accepts; a command ignores the ones it has no use for.
constexpr std::array kOptions{
    OptionSpec{"--all", false},    OptionSpec{"--json", false},     OptionSpec{"--to", true},
    OptionSpec{"--files", true},   OptionSpec{"--folders", true},   OptionSpec{"--sort", true},
    OptionSpec{"--overwrite", true}, OptionSpec{"--out", true},
};

const OptionSpec* FindOption(std::string_view name) {
  auto it = std::find_if(kOptions.begin(), kOptions.end(),
                         [&](const OptionSpec& o) { return o.name == name; });
  return it == kOptions.end() ? nullptr : &*it;
}

}  // namespace

std::optional<std::string> CliArgs::Value(const std::string& option) const {
  auto it = options.find(option);
  if (it == options.end()) return std::nullopt;
  return it->second;
}

std::optional<CliArgs> ParseCommandLine(const std::vector<std::string>& words, std::string* error) {
  CliArgs args;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word == "-h" || word == "--help") {
      args.help = true;
    } else if (word == "--version") {
      args.version = true;
    } else if (word == "-q" || word == "--quiet") {
      args.quiet = true;
    } else if (word == "--log" || word.rfind("--log=", 0) == 0) {
      if (word == "--log") {
        if (i + 1 >= words.size()) {
          *error = "option --log needs a file name";
          return std::nullopt;
        }
        args.logPath = words[++i];
      } else {
        args.logPath = word.substr(6);
      }
    } else if (word.size() > 2 && word.rfind("--", 0) == 0) {
      const std::size_t eq = word.find('=');
      const std::string name = word.substr(0, eq);
      const OptionSpec* spec = FindOption(name);
      if (!spec) {
        *error = "unknown option " + name;
        return std::nullopt;
      }
      if (!spec->takesValue) {
        if (eq != std::string::npos) {
          *error = "option " + name + " takes no value";
          return std::nullopt;
        }
        args.options[name] = "";
      } else if (eq != std::string::npos) {
        args.options[name] = word.substr(eq + 1);
      } else if (i + 1 < words.size()) {
        args.options[name] = words[++i];
      } else {
        *error = "option " + name + " needs a value";
        return std::nullopt;
      }
    } else if (word.size() > 1 && word[0] == '-' && word != "-") {
      *error = "unknown option " + word;
      return std::nullopt;
    } else if (args.command.empty()) {
      args.command = word;
    } else {
      args.positional.push_back(word);
    }
  }
  return args;
}

}  // namespace tv::cli
