// Without resource sections the library's strings come from the table that
// is compiled into the code.
#include "tvcore/strings.h"

namespace tv::tvcore {

const StringSource& LibraryStrings() {
  static const CompiledStrings strings;
  return strings;
}

}  // namespace tv::tvcore
