#include "host/platform.h"

#include <chrono>

#include "host/host_clock.h"
#include "host/utf8.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <locale.h>
#include <wctype.h>
#endif

namespace beastfinder::host {

#if defined(_WIN32)

std::string Utf16ToUtf8(std::u16string_view text) {
    if (text.empty()) {
        return {};
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(65001, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) {
        WideCharToMultiByte(65001, 0, wide, length, narrow.data(), bytes, nullptr, nullptr);
    }
    return narrow;
}

std::int64_t SystemClockTicks() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const std::int64_t ticks =
        (static_cast<std::int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    // 100 ns ticks between 1601-01-01 (the Windows epoch) and 1970-01-01.
    constexpr std::int64_t kWindowsToUnixTicks = 116444736000000000LL;
    return ticks - kWindowsToUnixTicks;
}

char16_t UpperCaseUnit(char16_t unit) noexcept {
    if (unit >= 0xD800 && unit <= 0xDFFF) {
        return unit;
    }
    wchar_t buffer[1] = {static_cast<wchar_t>(unit)};
    const int written = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, buffer, 1, buffer, 1,
                                      nullptr, nullptr, 0);
    return written == 1 ? static_cast<char16_t>(buffer[0]) : unit;
}

void* FindModuleExport(const char* module, const char* symbol) {
    HMODULE handle = GetModuleHandleA(module);
    if (handle == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<void*>(GetProcAddress(handle, symbol));
}

static HostClockFunction FindHostClock() {
    HMODULE handle = GetModuleHandleA(nullptr);
    auto fn = reinterpret_cast<HostClockFunction>(GetProcAddress(handle, kHostClockExport));
    if (fn == nullptr) {
        handle = GetModuleHandleA("beastfinder-host.dll");
        if (handle != nullptr) {
            fn = reinterpret_cast<HostClockFunction>(GetProcAddress(handle, kHostClockExport));
        }
    }
    return fn;
}

#else

std::string Utf16ToUtf8(std::u16string_view text) {
    return EncodeUtf8(text);
}

std::int64_t SystemClockTicks() {
    const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch).count() / 100;
}

char16_t UpperCaseUnit(char16_t unit) noexcept {
    if (unit < 0x80) {
        return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 32) : unit;
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) {
        return unit;
    }
    // A private locale object: the process's global locale is never touched. Freed with
    // the module.
    struct Utf8Locale {
        locale_t handle = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
        ~Utf8Locale() {
            if (handle != nullptr) {
                freelocale(handle);
            }
        }
    };
    static const Utf8Locale utf8;
    if (utf8.handle == nullptr) {
        return unit;
    }
    const wint_t upper = towupper_l(static_cast<wint_t>(unit), utf8.handle);
    return upper <= 0xFFFF ? static_cast<char16_t>(upper) : unit;
}

void* FindModuleExport(const char* module, const char* symbol) {
    void* handle = dlopen(module, RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr) {
        return nullptr;
    }
    void* address = dlsym(handle, symbol);
    dlclose(handle);
    return address;
}

static HostClockFunction FindHostClock() {
    return reinterpret_cast<HostClockFunction>(dlsym(RTLD_DEFAULT, kHostClockExport));
}

#endif

std::int64_t WallClockTicks() {
    if (HostClockFunction host_clock = FindHostClock()) {
        return host_clock();
    }
    return SystemClockTicks();
}

}  // namespace beastfinder::host
