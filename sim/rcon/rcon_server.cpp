#include "sim/rcon/rcon_server.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>
#include <stdexcept>

#include <fmt/format.h>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace sim {

namespace {

#if defined(_WIN32)
using Socket = SOCKET;
using PollFd = WSAPOLLFD;
const Socket kNoSocket = INVALID_SOCKET;
int PollSockets(PollFd* fds, std::size_t count, int timeout_ms) {
    return WSAPoll(fds, static_cast<ULONG>(count), timeout_ms);
}
void CloseSocket(Socket s) {
    closesocket(s);
}
bool WouldBlock() {
    return WSAGetLastError() == WSAEWOULDBLOCK;
}
std::string LastError() {
    return fmt::format("error {}", WSAGetLastError());
}
void SetNonBlocking(Socket s) {
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
}
constexpr int kSendFlags = 0;
#else
using Socket = int;
using PollFd = pollfd;
constexpr Socket kNoSocket = -1;
int PollSockets(PollFd* fds, std::size_t count, int timeout_ms) {
    return poll(fds, static_cast<nfds_t>(count), timeout_ms);
}
void CloseSocket(Socket s) {
    close(s);
}
bool WouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}
std::string LastError() {
    return std::strerror(errno);
}
void SetNonBlocking(Socket s) {
    fcntl(s, F_SETFL, fcntl(s, F_GETFL, 0) | O_NONBLOCK);
}
// A client gone away must not end the simulator with SIGPIPE.
constexpr int kSendFlags = MSG_NOSIGNAL;
#endif

Socket AsSocket(std::intptr_t value) {
    return static_cast<Socket>(value);
}

// Standard input has a line (or its end) ready without blocking.
bool InputBuffered() {
    // Lines already read ahead into the stream's buffer never show on the descriptor.
    return std::cin.rdbuf()->in_avail() > 0 || !std::cin.good();
}

#if defined(_WIN32)
// WSAPoll takes sockets only: standard input is looked at between short waits.
bool InputReady() {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    switch (GetFileType(in)) {
        case FILE_TYPE_PIPE: {
            DWORD available = 0;
            return PeekNamedPipe(in, nullptr, 0, nullptr, &available, nullptr) == 0 ||
                   available > 0;
        }
        case FILE_TYPE_CHAR:
            // Any console event counts; reading then waits for the whole line.
            return WaitForSingleObject(in, 0) == WAIT_OBJECT_0;
        default:
            return true;
    }
}
constexpr int kInputPollMs = 50;
#endif

// Waits for the sockets in `fds`, standard input, or the first client's deadline
// (`until_stall` ms, -1 for none). Whether input is ready; nothing when the wait failed.
std::optional<bool> WaitForTraffic(std::vector<PollFd>& fds, int until_stall) {
    const bool buffered = InputBuffered();
#if defined(_WIN32)
    const int timeout = buffered          ? 0
                        : until_stall < 0 ? kInputPollMs
                                          : std::min(kInputPollMs, until_stall);
    if (PollSockets(fds.data(), fds.size(), timeout) < 0) {
        return std::nullopt;
    }
    return buffered || InputReady();
#else
    fds.push_back(PollFd{STDIN_FILENO, POLLIN, 0});
    if (PollSockets(fds.data(), fds.size(), buffered ? 0 : until_stall) < 0 && errno != EINTR) {
        return std::nullopt;
    }
    return buffered || fds.back().revents != 0;
#endif
}

std::int32_t ReadInt32(const char* bytes) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    }
    return static_cast<std::int32_t>(value);
}

void AppendInt32(std::string& out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
    }
}

bool IsLoopback(const sockaddr* address) {
    if (address->sa_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
        return (ntohl(v4->sin_addr.s_addr) >> 24) == 127;
    }
    if (address->sa_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
        const unsigned char* b = reinterpret_cast<const unsigned char*>(&v6->sin6_addr);
        static constexpr unsigned char kLoopback[16] = {0, 0, 0, 0, 0, 0, 0, 0,
                                                        0, 0, 0, 0, 0, 0, 0, 1};
        static constexpr unsigned char kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
        return std::memcmp(b, kLoopback, 16) == 0 ||
               (std::memcmp(b, kMapped, 12) == 0 && b[12] == 127);
    }
    return false;
}

std::string Describe(const sockaddr* address, socklen_t length) {
    char host[NI_MAXHOST] = {};
    char port[NI_MAXSERV] = {};
    if (getnameinfo(address, length, host, sizeof host, port, sizeof port,
                    NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
        return "?";
    }
    return address->sa_family == AF_INET6 ? fmt::format("[{}]:{}", host, port)
                                          : fmt::format("{}:{}", host, port);
}

}  // namespace

RconEndpoint ParseRconEndpoint(std::string_view text) {
    RconEndpoint endpoint;
    std::string_view port = text;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') {
            throw std::invalid_argument("expected [HOST]:PORT");
        }
        endpoint.host = std::string(text.substr(1, close - 1));
        port = text.substr(close + 2);
    } else if (const auto colon = text.find(':'); colon != std::string_view::npos) {
        if (text.find(':', colon + 1) != std::string_view::npos) {
            throw std::invalid_argument("an IPv6 address goes in brackets: [::1]:PORT");
        }
        endpoint.host = std::string(text.substr(0, colon));
        port = text.substr(colon + 1);
    }
    if (endpoint.host.empty()) {
        throw std::invalid_argument("the host is empty");
    }
    unsigned value = 0;
    const bool digits =
        !port.empty() && port.size() <= 5 && std::all_of(port.begin(), port.end(), [&](char c) {
            value = value * 10 + static_cast<unsigned>(c - '0');
            return c >= '0' && c <= '9';
        });
    if (!digits || value > 65535) {
        throw std::invalid_argument(fmt::format("\"{}\" is not a port from 0 to 65535", port));
    }
    endpoint.port = std::string(port);
    return endpoint;
}

using Clock = std::chrono::steady_clock;

struct RconServer::Client {
    std::int64_t number = 0;
    Socket socket = kNoSocket;
    SimRconConnection connection;
    std::string in;
    std::string out;
    bool authenticated = false;
    // Set while the client has something to finish: logging in, or a packet it has begun.
    std::optional<Clock::time_point> deadline;
    // Not empty: the reason to close once the queued output is written.
    std::string finishing;
    bool closed = false;
    int replies = 0;

    // Nothing more is read from a client that is finishing.
    short PollEvents() const {
        short events = finishing.empty() ? POLLIN : 0;
        if (!out.empty()) {
            events |= POLLOUT;
        }
        return events;
    }
};

RconServer::RconServer(Server& server, std::string password)
    : server_(server), password_(std::move(password)) {
#if defined(_WIN32)
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        throw std::runtime_error("--rcon: Winsock does not start");
    }
#endif
}

RconServer::~RconServer() {
    for (auto& client : clients_) {
        if (client->socket != kNoSocket) {
            CloseSocket(client->socket);
        }
    }
    if (listener_ != -1) {
        CloseSocket(AsSocket(listener_));
    }
#if defined(_WIN32)
    WSACleanup();
#endif
}

void RconServer::Listen(const RconEndpoint& endpoint, bool any_address) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (const int error = getaddrinfo(endpoint.host.c_str(), endpoint.port.c_str(), &hints, &found);
        error != 0) {
        throw std::runtime_error(fmt::format("--rcon: {}: {}", endpoint.host, gai_strerror(error)));
    }
    std::unique_ptr<addrinfo, void (*)(addrinfo*)> addresses(found, freeaddrinfo);
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if (!any_address && !IsLoopback(a->ai_addr)) {
            throw std::runtime_error(fmt::format(
                "--rcon: {} is not a loopback address; RCON listens on loopback only unless "
                "--rcon-any-address is given",
                endpoint.host));
        }
    }
    std::string failure = "no address";
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        const Socket s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s == kNoSocket) {
            failure = LastError();
            continue;
        }
#if !defined(_WIN32)
        // A restarted simulator gets its port back at once.
        const int on = 1;
        setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
#endif
        if (bind(s, a->ai_addr, static_cast<socklen_t>(a->ai_addrlen)) != 0 ||
            listen(s, SOMAXCONN) != 0) {
            failure = LastError();
            CloseSocket(s);
            continue;
        }
        SetNonBlocking(s);
        sockaddr_storage bound{};
        socklen_t length = sizeof bound;
        getsockname(s, reinterpret_cast<sockaddr*>(&bound), &length);
        address_ = Describe(reinterpret_cast<sockaddr*>(&bound), length);
        listener_ = static_cast<std::intptr_t>(s);
        return;
    }
    throw std::runtime_error(
        fmt::format("--rcon: cannot listen on {}:{}: {}", endpoint.host, endpoint.port, failure));
}

void RconServer::Emit(Effect effect) {
    server_.Emit(std::move(effect));
    emitted_ = true;
}

void RconServer::ServeUntilInput(const std::function<void()>& traffic) {
    std::vector<PollFd> fds;
    for (;;) {
        fds.clear();
        fds.push_back(PollFd{AsSocket(listener_), POLLIN, 0});
        for (const auto& client : clients_) {
            fds.push_back(PollFd{client->socket, client->PollEvents(), 0});
        }
        const std::optional<bool> input = WaitForTraffic(fds, MillisecondsToDeadline());
        if (!input) {
            return;
        }
        // Clients accepted in this round are polled from the next one.
        const std::size_t polled = clients_.size();
        for (std::size_t i = 0; i < polled; ++i) {
            Serve(*clients_[i], fds[i + 1].revents);
        }
        if ((fds[0].revents & POLLIN) != 0) {
            Accept();
        }
        CloseStalled();
        clients_.erase(std::remove_if(clients_.begin(), clients_.end(),
                                      [](const auto& client) { return client->closed; }),
                       clients_.end());
        if (emitted_) {
            emitted_ = false;
            traffic();
        }
        if (*input) {
            return;
        }
    }
}

void RconServer::Serve(Client& client, short revents) {
    if ((revents & (POLLIN | POLLHUP | POLLERR)) != 0 && client.finishing.empty()) {
        Receive(client);
    }
    if (!client.closed && !client.out.empty()) {
        Send(client);
    }
    if (!client.closed && !client.finishing.empty() && client.out.empty()) {
        Close(client, client.finishing);
    }
}

void RconServer::Accept() {
    for (;;) {
        sockaddr_storage from{};
        socklen_t length = sizeof from;
        const Socket s = accept(AsSocket(listener_), reinterpret_cast<sockaddr*>(&from), &length);
        if (s == kNoSocket) {
            return;
        }
        SetNonBlocking(s);
        const int on = 1;
        setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
        auto client = std::make_unique<Client>();
        client->number = next_client_++;
        client->socket = s;
        client->deadline = Clock::now() + kRconStallLimit;
        client->connection.deliver = &RconServer::Deliver;
        client->connection.client = client.get();
        Emit(Effect{"rcon-connect",
                    {{"client", client->number},
                     {"from", Describe(reinterpret_cast<sockaddr*>(&from), length)}}});
        if (clients_.size() >= kRconMaxClients) {
            Close(*client, fmt::format("more than {} clients", kRconMaxClients));
            continue;
        }
        clients_.push_back(std::move(client));
    }
}

void RconServer::Receive(Client& client) {
    const bool had_part = !client.in.empty();
    char buffer[16384];
    const auto got = recv(client.socket, buffer, sizeof buffer, 0);
    if (got < 0 && WouldBlock()) {
        return;
    }
    if (got <= 0) {
        Close(client,
              client.in.empty() ? "disconnected" : "disconnected in the middle of a packet");
        return;
    }
    client.in.append(buffer, static_cast<std::size_t>(got));
    std::size_t at = 0;
    while (!client.closed && client.finishing.empty() && client.in.size() - at >= 4) {
        const std::int32_t size = ReadInt32(client.in.data() + at);
        // id, type and the two terminating NULs come with every packet.
        if (size < 10) {
            Close(client, fmt::format("malformed packet size {}", size));
            return;
        }
        if (static_cast<std::size_t>(size) - 10 > kRconMaxRequestBody) {
            Close(client, fmt::format("a body of {} bytes, over the limit of {}", size - 10,
                                      kRconMaxRequestBody));
            return;
        }
        if (client.in.size() - at - 4 < static_cast<std::size_t>(size)) {
            break;
        }
        const char* packet = client.in.data() + at + 4;
        if (packet[size - 2] != '\0' || packet[size - 1] != '\0') {
            Close(client, "a packet without its terminating NULs");
            return;
        }
        std::string_view body(packet + 8, static_cast<std::size_t>(size) - 10);
        body = body.substr(0, body.find('\0'));
        Handle(client, ReadInt32(packet), ReadInt32(packet + 4), body);
        at += 4 + static_cast<std::size_t>(size);
    }
    client.in.erase(0, at);
    // Logging in has its deadline from the connection; a packet begun, from its first bytes.
    if (client.authenticated) {
        if (client.in.empty()) {
            client.deadline.reset();
        } else if (!had_part || !client.deadline) {
            client.deadline = Clock::now() + kRconStallLimit;
        }
    }
}

void RconServer::Handle(Client& client, std::int32_t id, std::int32_t type, std::string_view body) {
    if (type == kRconAuth) {
        client.authenticated = body == password_;
        Emit(Effect{"rcon-auth",
                    {{"client", client.number},
                     {"id", static_cast<std::int64_t>(id)},
                     {"ok", client.authenticated}}});
        // Only the auth response: clients that take each read for one packet would
        // otherwise miss it behind an empty response.
        Answer(client, client.authenticated ? id : -1, kRconAuthResponse, "");
        if (!client.authenticated) {
            client.finishing = "wrong password";
        }
        return;
    }
    if (!client.authenticated) {
        Close(client, fmt::format("a packet of type {} before authentication", type));
        return;
    }
    if (type == kRconResponseValue) {
        // Clients send this to find the end of a multi-packet reply: it comes back empty.
        Answer(client, id, kRconResponseValue, "");
        return;
    }
    if (type != kRconExecCommand) {
        Close(client, fmt::format("packet type {} is not a request", type));
        return;
    }
    const std::u16string line = FromUtf8(body);
    Emit(Effect{"rcon-command",
                {{"client", client.number},
                 {"id", static_cast<std::int64_t>(id)},
                 {"line", std::string(body)}}});
    client.replies = 0;
    if (!server_.RunRcon(client.connection, id, line)) {
        server_.Emit(
            Effect{"unhandled", {{"kind", std::string("rcon")}, {"line", std::string(body)}}});
        Answer(client, id, kRconResponseValue,
               fmt::format(fmt::runtime(kRconUnknownCommandReply), body));
    } else if (client.replies == 0) {
        Answer(client, id, kRconResponseValue, kRconNoOutputReply);
    }
}

void RconServer::Queue(Client& client, std::int32_t id, std::int32_t type, std::string_view bytes) {
    std::size_t at = 0;
    do {
        const std::string_view part = bytes.substr(at, kRconMaxResponseBody);
        AppendInt32(client.out, static_cast<std::int32_t>(part.size() + 10));
        AppendInt32(client.out, id);
        AppendInt32(client.out, type);
        client.out.append(part);
        client.out.append(2, '\0');
        at += part.size();
    } while (at < bytes.size());
}

void RconServer::Deliver(void* opaque, std::int32_t id, std::int32_t type,
                         std::u16string_view text) {
    auto& client = *static_cast<Client*>(opaque);
    ++client.replies;
    Queue(client, id, type, ToUtf8(text));
}

void RconServer::Answer(Client& client, std::int32_t id, std::int32_t type, std::string_view text) {
    Emit(Effect{"rcon-answer",
                {{"client", client.number},
                 {"id", static_cast<std::int64_t>(id)},
                 {"type", static_cast<std::int64_t>(type)},
                 {"text", std::string(text)}}});
    Queue(client, id, type, text);
}

void RconServer::Send(Client& client) {
    const auto sent =
        send(client.socket, client.out.data(),
             static_cast<int>(std::min<std::size_t>(client.out.size(), 1 << 20)), kSendFlags);
    if (sent < 0) {
        if (!WouldBlock()) {
            Close(client, "disconnected");
        }
    } else {
        client.out.erase(0, static_cast<std::size_t>(sent));
    }
    if (!client.closed && client.out.size() > kRconMaxPendingOutput) {
        Close(client, "does not read its replies");
    }
}

void RconServer::CloseStalled() {
    const Clock::time_point now = Clock::now();
    for (const auto& client : clients_) {
        if (!client->closed && client->deadline && *client->deadline <= now) {
            Close(*client,
                  client->authenticated
                      ? fmt::format("sent part of a packet and nothing more for {} s",
                                    kRconStallLimit.count())
                      : fmt::format("did not log in within {} s", kRconStallLimit.count()));
        }
    }
}

int RconServer::MillisecondsToDeadline() const {
    std::optional<Clock::time_point> first;
    for (const auto& client : clients_) {
        if (client->deadline && (!first || *client->deadline < *first)) {
            first = client->deadline;
        }
    }
    if (!first) {
        return -1;
    }
    // Rounded up, so that the wait ends at the deadline or after it, never just before.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*first - Clock::now());
    return static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, INT32_MAX));
}

void RconServer::Close(Client& client, std::string reason) {
    if (client.closed) {
        return;
    }
    Emit(Effect{"rcon-close", {{"client", client.number}, {"reason", std::move(reason)}}});
    CloseSocket(client.socket);
    client.socket = kNoSocket;
    client.closed = true;
}

}  // namespace sim
