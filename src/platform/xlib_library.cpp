#include "platform/xlib_library.h"

#include <dlfcn.h>

namespace quennet::brackwin {
namespace {

bool Load(XlibLibrary* library) {
  void* handle = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return false;
#define BRACKWIN_XLIB_LOAD(name)                                       \
  library->name =                                                      \
      reinterpret_cast<decltype(library->name)>(dlsym(handle, #name)); \
  if (library->name == nullptr) return false;
  BRACKWIN_XLIB_FUNCTIONS(BRACKWIN_XLIB_LOAD)
#undef BRACKWIN_XLIB_LOAD
  return true;
}

}  // namespace

const XlibLibrary* LoadXlib() {
  static XlibLibrary library;
  static const bool loaded = Load(&library);
  return loaded ? &library : nullptr;
}

}  // namespace quennet::brackwin
