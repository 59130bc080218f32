// The simulator's readers: a world file and script text. A bad file is an error message,
// never a crash; a world that reads is applied and cleared without losing a host block.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz/harness.h"
#include "sim/framework/siblings.h"
#include "sim/script/script.h"
#include "sim/script/world.h"

namespace {

void ReadScript(std::string_view text, bool transcript) {
    std::istringstream in{std::string(text)};
    sim::LineSource source(in, "s.txt", transcript);
    std::string line;
    while (source.Next(line)) {
        if (source.LineNumber() <= 0) {
            fuzz::Fail("a line without a number");
        }
        if (sim::IsCommentOrBlank(line)) {
            continue;
        }
        // A malformed line is the reader's error message, as the script runner prints it.
        try {
            sim::Words words(line);
            std::size_t count = 0;
            while (words.Next() && ++count < 10000) {
            }
            words.Rest();
        } catch (const sim::ScriptError& error) {
            if (std::string_view(error.what()).empty()) {
                fuzz::Fail("a script error without a message");
            }
        }
    }
}

}  // namespace

// First byte: a world file when even, else a script (bit 1: read as a transcript).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    if ((data[0] & 1) != 0) {
        ReadScript(text, (data[0] & 2) != 0);
        return 0;
    }
    auto& server = sim::TheServer();
    sim::WorldSpec spec;
    try {
        spec = sim::ReadWorld(text, "w.json");
    } catch (const sim::WorldError& error) {
        if (std::string_view(error.what()).empty()) {
            fuzz::Fail("a world error without a message");
        }
        return 0;
    }
    try {
        sim::ApplyWorld(server, spec);
    } catch (const std::runtime_error&) {
        // A sibling module that cannot load: reported, not a reader fault.
    }
    server.ClearWorld();
    sim::UnloadAllSiblings();
    fuzz::CheckEffects();
    fuzz::CheckLive(0, "after the world was cleared");
    return 0;
}
