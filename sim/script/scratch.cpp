#include "sim/script/scratch.h"

#include <chrono>
#include <cstdint>
#include <random>
#include <stdexcept>

#include <fmt/format.h>

namespace sim {

namespace fs = std::filesystem;

fs::path MakeScratchFolder(std::string_view prefix) {
    std::mt19937_64 random(
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        std::random_device{}());
    const fs::path temp = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path folder = temp / fmt::format("{}{:016x}", prefix, random());
        std::error_code error;
        if (fs::create_directory(folder, error)) {
            return folder;
        }
    }
    throw std::runtime_error(fmt::format("cannot make a scratch folder in {}", temp.string()));
}

}  // namespace sim
