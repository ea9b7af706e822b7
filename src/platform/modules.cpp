#include "platform/modules.h"

#include <dlfcn.h>

namespace drawfield {

std::filesystem::path moduleFile(const std::filesystem::path& programFolder, std::string_view name)
{
    const std::filesystem::path beside = programFolder / name;
    const std::filesystem::path installed = programFolder / ".." / "lib" / "drawfield" / name;
    std::error_code ignored;
    if (std::filesystem::exists(beside, ignored) || !std::filesystem::exists(installed, ignored))
        return beside;
    return installed.lexically_normal();
}

void* loadModuleEntry(const std::filesystem::path& file, const char* entry, std::string& problem)
{
    void* module = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* said = ::dlerror();
        problem = said != nullptr ? said : "it cannot be loaded";
        return nullptr;
    }
    void* function = ::dlsym(module, entry);
    if (function == nullptr) {
        problem = "it has no " + std::string(entry);
        return nullptr;
    }
    return function;
}

} // namespace drawfield
