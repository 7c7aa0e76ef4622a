#include "Modules.h"

#include <dlfcn.h>

namespace platform {

ModuleHandle LoadModule(const std::string& path)
{
    if (path.empty())
        return nullptr;
    // A bare name would be searched along the library path: always name the file.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* ModuleSymbol(ModuleHandle module, const char* name)
{
    if (!module || !name)
        return nullptr;
    return dlsym(module, name);
}

void FreeModule(ModuleHandle module)
{
    if (module)
        dlclose(module);
}

std::string ModuleError()
{
    const char* text = dlerror();
    return text ? text : "";
}

bool ModuleLoaded(const std::string& path)
{
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    ModuleHandle h = dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!h)
        return false;
    dlclose(h);
    return true;
}

}  // namespace platform
