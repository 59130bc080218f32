// The RCON commands (bf.reload, bf.test) on arbitrary bodies.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "fuzz/plugin_harness.h"

namespace {

std::unique_ptr<fuzz::PluginUnderTest> plugin;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    plugin = std::make_unique<fuzz::PluginUnderTest>("rcon");
    // Unloaded at exit while the simulated server, made after this pointer, still lives.
    std::atexit([] { plugin.reset(); });
    plugin->Settle([] {
        sim::TheServer().RunRcon(u"bf.reload");
        sim::TheServer().RunRcon(u"bf.test 1 0 0 1");
    });
    return 0;
}

// First byte: bf.test when odd, else bf.reload; the rest is the body as UTF-16 code units.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    std::u16string line = (data[0] & 1) != 0 ? u"bf.test" : u"bf.reload";
    line += fuzz::Units(data + 1, size - 1);
    if (!sim::TheServer().RunRcon(line)) {
        return 0;  // the body ran into the name: another command, or none
    }
    plugin->AfterInput("after the RCON line");
    return 0;
}
