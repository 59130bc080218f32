// The three tracker commands on arbitrary chat lines: any UTF-16 code units (lone
// surrogates, NULs), long lines, huge and negative page numbers, with the sibling plugins
// present or gone.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "fuzz/plugin_harness.h"

namespace {

std::unique_ptr<fuzz::PluginUnderTest> plugin;

const char16_t* const kCommands[] = {u"/track", u"/trackwild", u"/trackadmin"};
const char* const kPlayers[] = {"Alice", "Admin Bob", "Carol"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    plugin = std::make_unique<fuzz::PluginUnderTest>("tracker");
    // Unloaded at exit while the simulated server, made after this pointer, still lives.
    std::atexit([] { plugin.reset(); });
    plugin->Settle([] {
        for (const char16_t* command : kCommands) {
            for (const char* name : kPlayers) {
                sim::TheServer().RunChat(plugin->Player(name), std::u16string(command) + u" Rex");
            }
        }
    });
    return 0;
}

// First byte: the command (bits 0-1), the player (bits 2-3), the siblings absent (bit 4),
// no space after the command (bit 5); the rest is the line's text as UTF-16 code units.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t control = data[0];
    plugin->SetSiblings((control & 0x10) == 0);
    std::u16string line = kCommands[(control & 3) % 3];
    if ((control & 0x20) == 0) {
        line += u' ';
    }
    line += fuzz::Units(data + 1, size - 1);
    sim::TheServer().RunChat(plugin->Player(kPlayers[((control >> 2) & 3) % 3]), line);
    plugin->AfterInput("after the chat line");
    return 0;
}
