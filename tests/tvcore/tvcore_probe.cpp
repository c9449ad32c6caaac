// tvcore_probe: loads the built tvcore from its own folder, as the programs
// do, calls Initialize for this program, then answers one command per line
// of its standard input with one line "result|text", for the scripted tests
// of the built library (one start per batch, which matters under Wine).
//
//   read SECTION KEY DECODE    ReadProfileString ("-" for a null section)
//   int SECTION KEY DEFAULT    ReadProfileInt
//   string PRODUCT ID          GetString
//   fullname                   GetFullName
//   folders                    GetTempFilesFolder and GetLogFilesFolder: "length|folder|length|folder"
//   icon INDEX                 GetIcon (Windows only): "1|" for an icon, "0|" for none
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "parser/product_folder.h"
#include "platform/folders.h"
#include "platform/library.h"
#include "tvcore/tvcore_api.h"

namespace {

using ReadProfileIntFn = unsigned(TVCORE_CALL*)(const char*, const char*, int);
using GetStringFn = int(TVCORE_CALL*)(int, int, char*, unsigned*);
using GetFullNameFn = char*(TVCORE_CALL*)(char*);
using GetTempFilesFolderFn = int(TVCORE_CALL*)(char*, int);
using GetLogFilesFolderFn = int(TVCORE_CALL*)(char*);
using GetIconFn = void*(TVCORE_CALL*)(int);

class Probe {
 public:
  explicit Probe(tv::platform::LibraryHandle library) : library_(library) {}

  std::string Answer(const std::vector<std::string>& words) {
    char buffer[1100] = {};
    const std::string command = words.empty() ? "" : words[0];
    if (command == "read" && words.size() == 4) {
      const auto read = Find<tv::tvcore::api::ReadProfileStringFn>("ReadProfileString");
      const int result = read(Section(words[1]), words[2].c_str(), "", buffer, 255, std::atoi(words[3].c_str()));
      return std::to_string(result) + "|" + buffer;
    }
    if (command == "int" && words.size() == 4) {
      const auto read = Find<ReadProfileIntFn>("ReadProfileInt");
      return std::to_string(read(Section(words[1]), words[2].c_str(), std::atoi(words[3].c_str()))) + "|";
    }
    if (command == "string" && words.size() == 3) {
      unsigned length = 0;
      const int result =
          Find<GetStringFn>("GetString")(std::atoi(words[1].c_str()), std::atoi(words[2].c_str()), buffer, &length);
      return std::to_string(result) + "|" + buffer;
    }
    if (command == "fullname" && words.size() == 1) return std::string("0|") + Find<GetFullNameFn>("GetFullName")(buffer);
    if (command == "folders" && words.size() == 1) {
      const int temp = Find<GetTempFilesFolderFn>("GetTempFilesFolder")(buffer, 260);
      std::string answer = std::to_string(temp) + "|" + buffer;
      const int logs = Find<GetLogFilesFolderFn>("GetLogFilesFolder")(buffer);
      return answer + "|" + std::to_string(logs) + "|" + buffer;
    }
    if (command == "icon" && words.size() == 2) {
      return Find<GetIconFn>("GetIcon")(std::atoi(words[1].c_str())) != nullptr ? "1|" : "0|";
    }
    return "bad command";
  }

 private:
  template <typename Function>
  Function Find(const char* name) {
    void* symbol = tv::platform::FindSymbol(library_, name);
    if (symbol == nullptr) {
      std::fprintf(stderr, "tvcore_probe: no export %s\n", name);
      std::exit(3);
    }
    return reinterpret_cast<Function>(symbol);
  }

  static const char* Section(const std::string& word) { return word == "-" ? nullptr : word.c_str(); }

  tv::platform::LibraryHandle library_;
};

}  // namespace

int main() {
  const std::string path = tv::platform::ExecutableFolder() + tv::platform::SharedLibraryFileName("tvcore");
  const tv::platform::LibraryHandle library = tv::platform::LoadLibrary(path);
  if (library == nullptr) {
    std::fprintf(stderr, "tvcore_probe: cannot load %s\n", path.c_str());
    return 3;
  }
  const auto initialize = tv::platform::FindSymbol(library, "Initialize");
  if (initialize == nullptr) return 3;
  reinterpret_cast<tv::tvcore::api::InitializeFn>(initialize)(tv::kProductCode);

  Probe probe(library);
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) words.push_back(word);
    std::printf("%s\n", probe.Answer(words).c_str());
  }
  // The library stays loaded until the process ends, as in the programs.
  return 0;
}
