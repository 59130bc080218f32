// The module's entry points, as the framework and the operating system's loader call them.
// Nothing but plugin.h is included, so that the name check compiles this file for the MSVC
// target as it is.
#include "plugin/plugin.h"

#if defined(_WIN32)
#define BF_MODULE_EXPORT extern "C" __declspec(dllexport)
#else
#define BF_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// The framework calls this before it frees the module: the callbacks it keeps point into
// this module, so every command must be gone by then.
BF_MODULE_EXPORT void Plugin_Unload() {
    beastfinder::Stop();
}

#if defined(_WIN32)

namespace {
// The loader's notifications, as <windows.h> numbers them.
constexpr unsigned long kProcessDetach = 0;
constexpr unsigned long kProcessAttach = 1;
}  // namespace

// Loading happens here, when the framework loads the module; a failed start-up makes the
// loader refuse the module.
extern "C" int __stdcall DllMain(void* /*module*/, unsigned long reason, void* reserved) {
    switch (reason) {
        case kProcessAttach:
            return beastfinder::Start() ? 1 : 0;
        case kProcessDetach:
            // Set when the process is ending: the host may already be torn down, and the
            // memory goes with the process. Otherwise this is a release without
            // Plugin_Unload (or after a failed start), and Stop runs only if nothing did.
            if (reserved == nullptr) {
                beastfinder::Stop();
            }
            return 1;
        default:
            return 1;
    }
}

#else

// Hosts without a loader notification call this once after opening the module.
BF_MODULE_EXPORT bool Load() {
    return beastfinder::Start();
}

#endif
