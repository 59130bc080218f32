// The module's entry points: the pair the framework calls, and on Windows the loader's.
#include <exception>

#include "config/config.h"
#include "host/game.h"
#include "host/log.h"
#include "plugin/plugin.h"

#if defined(_WIN32)
#include <windows.h>
#define BF_PLUGIN_EXPORT __declspec(dllexport)
#else
#define BF_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

namespace {

void LogStartupFailure(const char* what) noexcept {
    try {
        beastfinder::host::Log().error(beastfinder::host::LogMessage(what));
    } catch (...) {
    }
}

}  // namespace

// True when the plugin started. A failed start leaves exactly one error line in the log and
// nothing registered; nothing is thrown through the loader.
extern "C" BF_PLUGIN_EXPORT bool Load() noexcept {
    try {
        beastfinder::Load();
        return true;
    } catch (const beastfinder::ConfigLoadError&) {
        // The loader has written its own line.
    } catch (const beastfinder::host::HostLookupError&) {
        // Logged where the lookup failed.
    } catch (const std::exception& error) {
        LogStartupFailure(error.what());
    } catch (...) {
        LogStartupFailure("Start-up failed with an unknown error");
    }
    return false;
}

extern "C" BF_PLUGIN_EXPORT void Unload() noexcept {
    try {
        beastfinder::Unload();
    } catch (const std::exception& error) {
        LogStartupFailure(error.what());
    } catch (...) {
    }
}

#if defined(_WIN32)
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            return Load() ? TRUE : FALSE;
        case DLL_PROCESS_DETACH:
            // Set when the process is ending: the host may already be torn down, and the
            // memory goes with the process. Only an unload by the framework releases.
            if (reserved == nullptr) {
                Unload();
            }
            return TRUE;
        default:
            return TRUE;
    }
}
#endif
