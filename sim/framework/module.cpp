#include "sim/framework/module.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <string_view>

namespace sim {

namespace {
using LoadFn = bool (*)();
using PluginUnloadFn = void (*)();

#if defined(_WIN32)
void* OpenLibrary(const std::string& path) {
    return LoadLibraryA(path.c_str());
}
void* Symbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void CloseLibrary(void* handle) {
    FreeLibrary(static_cast<HMODULE>(handle));
}
std::string LastError() {
    const DWORD code = GetLastError();
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = "error " + std::to_string(code);
    if (length > 0 && text != nullptr) {
        std::string_view view(text, length);
        while (!view.empty() &&
               (view.back() == '\n' || view.back() == '\r' || view.back() == ' ')) {
            view.remove_suffix(1);
        }
        message += ": " + std::string(view);
    }
    LocalFree(text);
    return message;
}
#else
void* OpenLibrary(const std::string& path) {
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}
void* Symbol(void* handle, const char* name) {
    return dlsym(handle, name);
}
void CloseLibrary(void* handle) {
    dlclose(handle);
}
std::string LastError() {
    const char* error = dlerror();
    return error != nullptr ? error : "unknown error";
}
#endif
}  // namespace

PluginModule::~PluginModule() {
    Close();
}

bool PluginModule::Open(const std::string& path) {
    Close();
    error_.clear();
    handle_ = OpenLibrary(path);
#if defined(_WIN32)
    // DllMain ran Load; a failed start-up made it return FALSE, so the loader ran Unload and
    // released the module again.
    if (handle_ == nullptr && GetLastError() == ERROR_DLL_INIT_FAILED) {
        open_ = true;
        started_ = false;
        return true;
    }
#endif
    if (handle_ == nullptr) {
        error_ = "cannot open plugin module " + path + ": " + LastError();
        return false;
    }
    open_ = true;
#if defined(_WIN32)
    started_ = true;
#else
    // No loader notification here: the module's Load stands in for the attach.
    auto load = reinterpret_cast<LoadFn>(Symbol(handle_, "Load"));
    if (load == nullptr) {
        error_ = "plugin module " + path + " has no Load";
        CloseLibrary(handle_);
        handle_ = nullptr;
        open_ = false;
        return false;
    }
    started_ = load();
#endif
    return true;
}

void PluginModule::Close() {
    if (handle_ != nullptr) {
        // As the framework frees a plugin: its Plugin_Unload, if it has one, then the module.
        if (auto unload = reinterpret_cast<PluginUnloadFn>(Symbol(handle_, "Plugin_Unload"))) {
            unload();
        }
        CloseLibrary(handle_);
        handle_ = nullptr;
    }
    open_ = false;
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
