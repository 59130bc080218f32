// The payment log: one info line per spend asked of a sibling plugin, when the administrator
// wants a record of who paid what.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace beastfinder {

class PaymentTrace {
  public:
    // `command` is the tracker's chat command; it must outlive the trace.
    PaymentTrace(void* player_state, std::uint64_t steam_id, const std::string& command);

    // Reads what the lines need before anything is charged: a lookup that fails then ends
    // the command with nothing spent.
    void Prepare();

    // A spend and how the plugin answered it (empty: not answered).
    void Points(std::int32_t amount, std::optional<bool> result);
    void Tokens(const std::string& type, std::int32_t amount, std::optional<bool> result);

  private:
    void Write(const std::string& what, std::optional<bool> result);

    void* player_state_;
    std::uint64_t steam_id_;
    const std::string& command_;
    bool on_;
    std::optional<std::string> name_;  // escaped for the log
};

}  // namespace beastfinder
