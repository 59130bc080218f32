// FString: the game's text, UTF-16 code units in a host-allocated buffer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "host/framework.h"

namespace beastfinder::host {

class FString {
  public:
    FString() noexcept = default;
    // A copy holds exactly `count` code units (capacity = count).
    FString(const FString& other);
    // A move hands the buffer over and leaves the source null/0/0.
    FString(FString&& other) noexcept;
    FString& operator=(const FString& other);
    // Frees this string's own buffer before taking the other's.
    FString& operator=(FString&& other) noexcept;
    ~FString();

    // The text without its terminator; empty for null/0/0 and for a terminator-only string.
    std::u16string_view View() const noexcept {
        if (data_ == nullptr || count_ <= 1) {
            return {};
        }
        return {data_, static_cast<std::size_t>(count_ - 1)};
    }
    bool Empty() const noexcept { return View().empty(); }

    const char16_t* Data() const noexcept { return data_; }
    std::int32_t Count() const noexcept { return count_; }
    std::int32_t Capacity() const noexcept { return capacity_; }

    // Copies `units` and a terminator into a fresh buffer sized by the host growth rule.
    static FString FromUnits(std::u16string_view units);
    void Reset() noexcept;

  private:
    char16_t* data_ = nullptr;
    std::int32_t count_ = 0;
    std::int32_t capacity_ = 0;
};

static_assert(sizeof(FString) == 16 && std::is_standard_layout_v<FString>,
              "FString must have the host's three-field layout");
static_assert(sizeof(::FString) == sizeof(FString) && std::is_standard_layout_v<::FString>);

// The framework's declarations name the same three fields as ::FString.
inline const ::FString& ToFramework(const FString& text) noexcept {
    return reinterpret_cast<const ::FString&>(text);
}
inline FString* FromFramework(::FString* text) noexcept {
    return reinterpret_cast<FString*>(text);
}
inline const FString& FromFramework(const ::FString& text) noexcept {
    return reinterpret_cast<const FString&>(text);
}

// 8-bit text; every byte of 128 or above becomes '?'.
FString FStringFromNarrow(std::string_view text);
// UTF-16 text, copied unchanged.
FString FStringFromWide(std::u16string_view text);
// UTF-16 text that the caller hands over: its storage is released and it is left empty.
FString FStringFromOwnedWide(std::u16string&& text);
std::string FStringToUtf8(const FString& text);

// UTF-8 to UTF-16 through the framework's decoder.
std::u16string DecodeUtf8(std::string_view text);

// Widens 8-bit text one byte per code unit (no decoding).
std::u16string WidenBytes(std::string_view text);

}  // namespace beastfinder::host
