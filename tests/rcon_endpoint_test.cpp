// The address --rcon is given: what is taken, and why the rest is refused.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "sim/rcon/rcon_server.h"

namespace sim {
namespace {

TEST(RconEndpoint, HostAndPortOrTheReason) {
    struct Case {
        const char* text;
        const char* host_port_or_error;
    };
    const Case cases[] = {
        {"27020", "127.0.0.1 27020"},
        {"0", "127.0.0.1 0"},
        {"localhost:65535", "localhost 65535"},
        {"[::1]:1", "::1 1"},
        {"65536", "error: \"65536\" is not a port from 0 to 65535"},
        {"123456", "error: \"123456\" is not a port from 0 to 65535"},
        {"", "error: \"\" is not a port from 0 to 65535"},
        {"-1", "error: \"-1\" is not a port from 0 to 65535"},
        {"1e3", "error: \"1e3\" is not a port from 0 to 65535"},
        {"host:", "error: \"\" is not a port from 0 to 65535"},
        {":80", "error: the host is empty"},
        {"[]:80", "error: the host is empty"},
        {"::1:80", "error: an IPv6 address goes in brackets: [::1]:PORT"},
        {"[::1]80", "error: expected [HOST]:PORT"},
        {"[::1]:", "error: \"\" is not a port from 0 to 65535"},
        {"[::1", "error: expected [HOST]:PORT"},
    };
    for (const Case& c : cases) {
        std::string got;
        try {
            const RconEndpoint endpoint = ParseRconEndpoint(c.text);
            got = endpoint.host + " " + endpoint.port;
        } catch (const std::invalid_argument& error) {
            got = std::string("error: ") + error.what();
        }
        EXPECT_EQ(got, c.host_port_or_error) << c.text;
    }
}

}  // namespace
}  // namespace sim
