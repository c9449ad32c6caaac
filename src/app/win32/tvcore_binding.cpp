#include "tvcore_binding.h"

#include <windows.h>

#include "log/log.h"
#include "parser/product_folder.h"

namespace tv::gui {
namespace {

TvcoreFunctions g_tvcore;

template <typename Function>
Function Bind(HMODULE library, const char* name) {
  // The exports are C functions; the cast goes through the generic pointer
  // that GetProcAddress returns.
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

}  // namespace

const TvcoreFunctions& Tvcore() { return g_tvcore; }

void LoadTvcore() {
  HMODULE library = ::LoadLibraryW(L"tvcore.dll");
  if (library == nullptr) throw -1;
  TvcoreFunctions bound;
  bound.initialize = Bind<tvcore::api::InitializeFn>(library, "Initialize");
  if (bound.initialize == nullptr) {
    Log().Message("LoadTvcore()-> Initialize proc address failed");
    throw -1;
  }
  bound.initialize(kProductCode);
  bound.insertToolboxMenu = Bind<tvcore::api::InsertToolboxMenuFn>(library, "InsertToolboxMenu");
  bound.onToolboxProducts = Bind<tvcore::api::OnToolboxProductsFn>(library, "OnToolboxProducts");
  bound.readProfileString = Bind<tvcore::api::ReadProfileStringFn>(library, "ReadProfileString");
  bound.tvDiag = Bind<tvcore::api::TVdiagFn>(library, "TVdiag");
  if (bound.insertToolboxMenu == nullptr || bound.onToolboxProducts == nullptr || bound.readProfileString == nullptr ||
      bound.tvDiag == nullptr) {
    throw -1;
  }
  g_tvcore = bound;
}

}  // namespace tv::gui
