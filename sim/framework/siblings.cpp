#include "sim/framework/siblings.h"

#include <filesystem>
#include <map>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "sim/framework/server.h"

namespace sim {

namespace {

std::map<std::string, void*>& Handles() {
    static std::map<std::string, void*> handles;
    return handles;
}

std::string& ModuleDir() {
    static std::string dir;
    return dir;
}

std::string HostLibraryDir() {
#if defined(_WIN32)
    HMODULE self = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&HostLibraryDir), &self);
    char buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameA(self, buffer, MAX_PATH);
    return std::filesystem::path(std::string(buffer, length)).parent_path().string();
#else
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&HostLibraryDir), &info) == 0 || info.dli_fname == nullptr) {
        return ".";
    }
    return std::filesystem::absolute(info.dli_fname).parent_path().string();
#endif
}

std::string ModulePath(const std::string& plugin) {
    const std::string dir = ModuleDir().empty() ? HostLibraryDir() : ModuleDir();
#if defined(_WIN32)
    return (std::filesystem::path(dir) / (plugin + ".dll")).string();
#else
    return (std::filesystem::path(dir) / (plugin + ".so")).string();
#endif
}

}  // namespace

void SetSiblingModuleDir(const std::string& dir) {
    ModuleDir() = dir;
}

bool SetSiblingPresent(const std::string& plugin, bool present, std::string* error) {
    auto& handles = Handles();
    auto it = handles.find(plugin);
    if (present && it == handles.end()) {
        const std::string path = ModulePath(plugin);
#if defined(_WIN32)
        void* handle = LoadLibraryA(path.c_str());
#else
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
        if (handle == nullptr) {
            if (error != nullptr) {
                *error = "cannot load the " + plugin + " module " + path;
            }
            return false;
        }
        handles.emplace(plugin, handle);
    } else if (!present && it != handles.end()) {
#if defined(_WIN32)
        FreeLibrary(static_cast<HMODULE>(it->second));
#else
        dlclose(it->second);
#endif
        handles.erase(it);
    }
    TheServer().siblings[plugin].present = present;
    return true;
}

void UnloadAllSiblings() {
    while (!Handles().empty()) {
        // A copy: unloading erases the map entry that holds the name.
        const std::string plugin = Handles().begin()->first;
        SetSiblingPresent(plugin, false);
    }
}

}  // namespace sim
