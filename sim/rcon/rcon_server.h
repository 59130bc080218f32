// A Source RCON listener for the simulator: real RCON clients reach the plugin's RCON
// commands over TCP, served on the simulator's own thread between its input lines.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/framework/server.h"

namespace sim {

// What the simulated game answers where the plugin has nothing to say. Kept here, one
// constant each, so that matching another server's wording is a one-line change.
//
// A registered command whose handler sent no reply.
inline constexpr std::string_view kRconNoOutputReply = "Command executed without output.";
// A command that no plugin registered; {} is the command line as sent.
inline constexpr std::string_view kRconUnknownCommandReply = "Unknown command: {}";
// Longest request body a client may send, in bytes; a longer one closes that client.
inline constexpr std::size_t kRconMaxRequestBody = 4096;
// Longest body of one response packet; a longer reply goes out as several packets with
// the same id, as multi-packet responses do.
inline constexpr std::size_t kRconMaxResponseBody = 4096;
// Clients served at once; one more is closed as soon as it connects.
inline constexpr std::size_t kRconMaxClients = 64;
// Time a client has to log in after it connects, and to finish a packet it has begun; past
// it the client is closed, so that clients that stall cannot hold every place.
inline constexpr std::chrono::seconds kRconStallLimit{5};
// Replies queued for a client that does not read them; past this it is closed.
inline constexpr std::size_t kRconMaxPendingOutput = 1 << 20;

// Packet types.
inline constexpr std::int32_t kRconResponseValue = 0;
inline constexpr std::int32_t kRconExecCommand = 2;
inline constexpr std::int32_t kRconAuthResponse = 2;
inline constexpr std::int32_t kRconAuth = 3;

// Where to listen: "[HOST:]PORT", an IPv6 host in brackets ("[::1]:27020"). The host is
// 127.0.0.1 when left out; port 0 picks a free one.
struct RconEndpoint {
    std::string host = "127.0.0.1";
    std::string port;
};
// Throws std::invalid_argument with the reason.
RconEndpoint ParseRconEndpoint(std::string_view text);

class RconServer {
  public:
    RconServer(Server& server, std::string password);
    ~RconServer();
    RconServer(const RconServer&) = delete;
    RconServer& operator=(const RconServer&) = delete;

    // Binds and listens. A host that is not a loopback address is refused unless
    // `any_address`. Throws std::runtime_error with a message for the administrator.
    void Listen(const RconEndpoint& endpoint, bool any_address);
    // The address actually bound, such as "127.0.0.1:27020".
    const std::string& Address() const { return address_; }

    // Serves the clients until standard input has something to read or has ended.
    // `traffic` runs after each round that recorded effects.
    void ServeUntilInput(const std::function<void()>& traffic);

  private:
    struct Client;

    void Accept();
    void Receive(Client& client);
    void Send(Client& client);
    // One polled client's round: what it sent, what it is owed, and closing when it is done.
    void Serve(Client& client, short revents);
    void Handle(Client& client, std::int32_t id, std::int32_t type, std::string_view body);
    void Answer(Client& client, std::int32_t id, std::int32_t type, std::string_view text);
    void Close(Client& client, std::string reason);
    // Closes the clients past their deadline.
    void CloseStalled();
    // Until the first deadline of a client, or -1 when none has one.
    int MillisecondsToDeadline() const;
    static void Queue(Client& client, std::int32_t id, std::int32_t type, std::string_view bytes);
    void Emit(Effect effect);
    static void Deliver(void* client, std::int32_t id, std::int32_t type, std::u16string_view text);

    Server& server_;
    std::string password_;
    std::string address_;
    std::intptr_t listener_ = -1;
    std::vector<std::unique_ptr<Client>> clients_;
    std::int64_t next_client_ = 1;
    bool emitted_ = false;
};

}  // namespace sim
