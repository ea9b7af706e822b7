#include "batch/batch_run.h"

#include "files/user_text.h"
#include "platform/file_system.h"
#include "platform/modules.h"

#include <map>

namespace drawfield {
namespace {

    struct Loaded {
        const BatchModule* module = nullptr;
        std::string problem; // why it could not be loaded
    };
    std::map<Needs, Loaded>& loaded()
    {
        static std::map<Needs, Loaded> modules;
        return modules;
    }

} // namespace

const BatchModule& batchModule(Needs needs, const char* program)
{
    auto [at, first] = loaded().try_emplace(needs);
    Loaded& entry = at->second;
    if (first) {
        const char* name
            = needs == Needs::Gis ? "drawfield-batch-gis.so" : "drawfield-batch-pictures.so";
        const std::filesystem::path self = programPath();
        const std::filesystem::path file
            = moduleFile(self.empty() ? std::filesystem::path(".") : self.parent_path(), name);
        std::string problem;
        if (void* function = loadModuleEntry(file, BatchModuleEntryName, problem))
            entry.module = reinterpret_cast<BatchModuleEntry>(function)(program);
        else
            entry.problem = printablePath(file.native()) + " cannot be loaded: " + problem;
    }
    if (entry.module == nullptr)
        throw ModuleMissing(std::string(needs == Needs::Gis ? "No GIS file" : "No picture")
            + " can be written: " + entry.problem + ".");
    return *entry.module;
}

void finishModules()
{
    for (auto& [needs, entry] : loaded())
        if (entry.module != nullptr && entry.module->finish != nullptr)
            entry.module->finish();
}

} // namespace drawfield
