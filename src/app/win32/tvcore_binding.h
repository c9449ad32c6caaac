// The functions of the shared library tvcore that the program calls, bound
// once at start-up by name. The library stays loaded until the process ends.
#pragma once

#include "tvcore/tvcore_api.h"

namespace tv::gui {

struct TvcoreFunctions {
  tvcore::api::InitializeFn initialize = nullptr;
  tvcore::api::InsertToolboxMenuFn insertToolboxMenu = nullptr;
  tvcore::api::OnToolboxProductsFn onToolboxProducts = nullptr;
  tvcore::api::ReadProfileStringFn readProfileString = nullptr;
  tvcore::api::TVdiagFn tvDiag = nullptr;
};

// The bound functions; all null before LoadTvcore.
const TvcoreFunctions& Tvcore();

// Loads "tvcore.dll" by plain name, calls Initialize with the product code
// and binds the other exports. Throws the integer -1 when the library or
// any export is missing (logging a missing Initialize).
void LoadTvcore();

// What the program shows when LoadTvcore failed.
inline constexpr const char* kTvcoreLoadFailed = "Could not load TVCORE.DLL or incorrect DLL version";

}  // namespace tv::gui
