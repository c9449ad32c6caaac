#include "tvcore/strings.h"

#include "tvcore/products.h"

namespace tv::tvcore {

namespace {

struct StringEntry {
  int resource;
  const char* text;
};

#define TV_STRING(resource, text) {resource, text},
constexpr StringEntry kStrings[] = {
#include "tvcore/string_table.inc"
};
#undef TV_STRING

// String resources are numbered 0..65535.
constexpr long long kMaxResource = 0xFFFF;

std::string LoadNumbered(const StringSource& source, long long resource) {
  if (resource < 0 || resource > kMaxResource) return {};
  return source.Load(static_cast<int>(resource));
}

long long ResourceNumber(int language, int product, int id) {
  return static_cast<long long>(language) * 200 + id + static_cast<long long>((product + 1) % 256) * 1000;
}

}  // namespace

std::string CompiledStrings::Load(int resource) const {
  for (const StringEntry& entry : kStrings) {
    if (entry.resource == resource) return entry.text;
  }
  return {};
}

int LookupString(const StringSource& source, int language, int product, int id, std::string* text) {
  if (product < -1 || product >= kProductCount) return kStringBadProduct;
  std::string found = LoadNumbered(source, ResourceNumber(language, product, id));
  if (found.empty() && language != 0) found = LoadNumbered(source, ResourceNumber(0, product, id));
  if (found.empty()) return kStringMissing;
  *text = std::move(found);
  return kStringFound;
}

}  // namespace tv::tvcore
