// What every target checks after each input: the simulated host saw no misuse, every
// recorded effect is well formed, and no host block outlived the input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <unistd.h>

#include "sim/framework/server.h"

namespace fuzz {

[[noreturn]] inline void Fail(const std::string& what) {
    std::fprintf(stderr, "FUZZ CHECK FAILED: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

inline bool ValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        if ((c & 0xE0) == 0xC0) {
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
        } else if (c >= 0x80) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += extra + 1;
    }
    return true;
}

// Takes the recorded effects and aborts on a fault or a malformed one.
inline void CheckEffects() {
    for (const auto& effect : sim::TheServer().TakeEffects()) {
        if (effect.type == "fault") {
            Fail("host fault: " + effect.Text("what"));
        }
        if (effect.type.empty()) {
            Fail("effect without a type");
        }
        for (const auto& [key, value] : effect.fields) {
            if (key.empty()) {
                Fail(effect.type + " effect with an unnamed field");
            }
            // Log lines may quote the bytes of a file that is not UTF-8 (the parser's error).
            const auto* text = std::get_if<std::string>(&value);
            if (text && effect.type != "log" && !ValidUtf8(*text)) {
                Fail(effect.type + " effect field " + key + " is not UTF-8");
            }
        }
    }
}

inline void CheckLive(std::size_t expected, const char* when) {
    const std::size_t live = sim::TheServer().Allocator().LiveBlocks();
    if (live != expected) {
        Fail(std::string(when) + ": " + std::to_string(live) + " live host blocks, expected " +
             std::to_string(expected));
    }
}

// A private server folder holding config.json.
inline std::filesystem::path ServerDir(const char* target) {
    const auto dir = std::filesystem::temp_directory_path() /
                     (std::string("bf-fuzz-") + target + "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "ArkApi/Plugins/Beastfinder");
    sim::TheServer().current_dir = dir.string();
    return dir;
}

inline void WriteConfig(const std::filesystem::path& dir, std::string_view bytes) {
    std::ofstream(dir / "ArkApi/Plugins/Beastfinder/config.json",
                  std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace fuzz
