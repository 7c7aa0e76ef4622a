#pragma once
// Shared libraries loaded at run time: the module loader of the plug-in host. Loads are
// counted by the system: a library loaded twice is unloaded by its second FreeModule.

#include <string>

namespace platform {

using ModuleHandle = void*;

//! Loads the library at `path` with every symbol bound at once; null when it cannot be
//! loaded (ModuleError tells why).
ModuleHandle LoadModule(const std::string& path);
//! The address of an exported symbol; null when the module does not export it.
void* ModuleSymbol(ModuleHandle module, const char* name);
//! Unloads one load of the module; nothing for null.
void FreeModule(ModuleHandle module);
//! The loader's text about the last failure on this thread, "" when none.
std::string ModuleError();
//! True while the library at `path` is loaded into the process.
bool ModuleLoaded(const std::string& path);

}  // namespace platform
