#include "sim/module.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include <filesystem>

namespace sim {

namespace {
using LoadFn = bool (*)();
using UnloadFn = void (*)();

#if defined(_WIN32)
void* OpenLibrary(const std::string& path) { return LoadLibraryA(path.c_str()); }
void* Symbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void CloseLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
std::string LastError() { return "error " + std::to_string(GetLastError()); }
#else
void* OpenLibrary(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }
void* Symbol(void* handle, const char* name) { return dlsym(handle, name); }
void CloseLibrary(void* handle) { dlclose(handle); }
std::string LastError() {
    const char* error = dlerror();
    return error != nullptr ? error : "unknown error";
}
#endif
}  // namespace

PluginModule::~PluginModule() { Close(); }

bool PluginModule::Open(const std::string& path) {
    Close();
    error_.clear();
    handle_ = OpenLibrary(path);
    if (handle_ == nullptr) {
        error_ = "cannot open plugin module " + path + ": " + LastError();
        return false;
    }
#if defined(_WIN32)
    // The loader has already run Load through the module's entry point.
    started_ = true;
    return true;
#else
    auto load = reinterpret_cast<LoadFn>(Symbol(handle_, "Load"));
    if (load == nullptr) {
        error_ = "plugin module " + path + " has no Load";
        CloseLibrary(handle_);
        handle_ = nullptr;
        return false;
    }
    started_ = load();
    return true;
#endif
}

void PluginModule::Close() {
    if (handle_ == nullptr) {
        return;
    }
#if !defined(_WIN32)
    if (auto unload = reinterpret_cast<UnloadFn>(Symbol(handle_, "Unload"))) {
        unload();
    }
#endif
    CloseLibrary(handle_);
    handle_ = nullptr;
    started_ = false;
}

std::string PluginModule::DefaultPath() {
#if defined(_WIN32)
    char buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    std::filesystem::path self(std::string(buffer, length));
#else
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
#endif
    return (self.parent_path() / BF_PLUGIN_MODULE_NAME).string();
}

}  // namespace sim
