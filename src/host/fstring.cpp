#include "host/fstring.h"

#include <cstring>
#include <limits>
#include <stdexcept>

#include "host/framework.h"
#include "host/memory.h"
#include "host/platform.h"

namespace beastfinder::host {

FString::FString(const FString& other) {
    if (other.count_ <= 0 || other.data_ == nullptr) {
        return;
    }
    data_ = static_cast<char16_t*>(HostMalloc(static_cast<std::uint64_t>(other.count_) * 2));
    std::memcpy(data_, other.data_, static_cast<std::size_t>(other.count_) * 2);
    count_ = other.count_;
    capacity_ = other.count_;
}

FString::FString(FString&& other) noexcept
    : data_(other.data_), count_(other.count_), capacity_(other.capacity_) {
    other.data_ = nullptr;
    other.count_ = 0;
    other.capacity_ = 0;
}

FString& FString::operator=(const FString& other) {
    if (this != &other) {
        FString copy(other);
        *this = std::move(copy);
    }
    return *this;
}

FString& FString::operator=(FString&& other) noexcept {
    if (this != &other) {
        Reset();
        data_ = other.data_;
        count_ = other.count_;
        capacity_ = other.capacity_;
        other.data_ = nullptr;
        other.count_ = 0;
        other.capacity_ = 0;
    }
    return *this;
}

FString::~FString() {
    Reset();
}

void FString::Reset() noexcept {
    HostFree(data_);
    data_ = nullptr;
    count_ = 0;
    capacity_ = 0;
}

FString FString::FromUnits(std::u16string_view units) {
    FString result;
    if (units.empty()) {
        return result;
    }
    if (units.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw std::length_error("text too long for the host");
    }
    const auto n = static_cast<std::int32_t>(units.size() + 1);
    const std::int32_t capacity = GrowCapacity(0, n);
    result.data_ = static_cast<char16_t*>(HostMalloc(static_cast<std::uint64_t>(capacity) * 2));
    result.capacity_ = capacity;
    result.count_ = n;
    std::memcpy(result.data_, units.data(), units.size() * 2);
    result.data_[units.size()] = u'\0';
    return result;
}

std::u16string DecodeUtf8(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const std::wstring wide = ArkApi::Tools::Utf8Decode(std::string(text));
    // Each wchar_t holds one UTF-16 code unit, whatever the platform's wchar_t width.
    std::u16string units(wide.size(), u'\0');
    for (std::size_t i = 0; i < wide.size(); ++i) {
        units[i] = static_cast<char16_t>(wide[i]);
    }
    return units;
}

std::u16string WidenBytes(std::string_view text) {
    std::u16string wide(text.size(), u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        wide[i] = static_cast<unsigned char>(text[i]);
    }
    return wide;
}

FString FStringFromNarrow(std::string_view text) {
    std::u16string wide(text.size(), u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        wide[i] = byte < 128 ? byte : u'?';
    }
    return FString::FromUnits(wide);
}

FString FStringFromWide(std::u16string_view text) {
    return FString::FromUnits(text);
}

FString FStringFromOwnedWide(std::u16string&& text) {
    FString result = FString::FromUnits(text);
    std::u16string().swap(text);
    return result;
}

std::string FStringToUtf8(const FString& text) {
    return Utf16ToUtf8(text.View());
}

}  // namespace beastfinder::host
