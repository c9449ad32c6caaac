// The registry stand-in below the user's configuration folder.
#include "platform/folders.h"
#include "tvcore/registry_standin.h"

namespace tv::tvcore {

Registry& SystemRegistry() {
  static StandInRegistry registry(platform::JoinPath(platform::ConfigFolder(), "Morvanix"));
  return registry;
}

}  // namespace tv::tvcore
