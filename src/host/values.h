// Host value types: vectors, colours and the records host functions take.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/fstring.h"

namespace beastfinder::host {

struct Vector3 {
    float x = 0;
    float y = 0;
    float z = 0;
};

// Linear colour; 1.0 is full intensity, values above it occur.
struct ColorRGBA {
    float r = 0;
    float g = 0;
    float b = 0;
    float a = 0;
};

// Bytes in memory order blue, green, red, alpha; passed to the host as one 32-bit value.
struct ColorBGRA8 {
    std::uint8_t b = 0;
    std::uint8_t g = 0;
    std::uint8_t r = 0;
    std::uint8_t a = 0;
};

static_assert(sizeof(Vector3) == 12 && sizeof(ColorRGBA) == 16 && sizeof(ColorBGRA8) == 4);

// sRGB decoding of byte i (as i/255) to linear light.
extern const double kSrgbToLinear[256];

ColorRGBA ColorFromBytes(ColorBGRA8 color) noexcept;
std::uint32_t PackColor(ColorBGRA8 color) noexcept;

// The record a chat line with a sender name travels in.
struct ChatMessageRecord {
    FString sender_name;
    FString sender_steam_name;
    FString sender_tribe_name;
    std::uint32_t sender_id = 0;
    FString message;
    FString receiver;
    std::int32_t sender_team_index = 0;
    double received_time = -1.0;
    std::uint8_t send_mode = 0;
    std::uint32_t radio_frequency = 0;
    std::uint8_t chat_type = 0;
    void* sender_icon = nullptr;
    FString user_id;
};

static_assert(sizeof(ChatMessageRecord) == 144);
static_assert(offsetof(ChatMessageRecord, sender_name) == 0);
static_assert(offsetof(ChatMessageRecord, sender_steam_name) == 16);
static_assert(offsetof(ChatMessageRecord, sender_tribe_name) == 32);
static_assert(offsetof(ChatMessageRecord, sender_id) == 48);
static_assert(offsetof(ChatMessageRecord, message) == 56);
static_assert(offsetof(ChatMessageRecord, receiver) == 72);
static_assert(offsetof(ChatMessageRecord, sender_team_index) == 88);
static_assert(offsetof(ChatMessageRecord, received_time) == 96);
static_assert(offsetof(ChatMessageRecord, send_mode) == 104);
static_assert(offsetof(ChatMessageRecord, radio_frequency) == 108);
static_assert(offsetof(ChatMessageRecord, chat_type) == 112);
static_assert(offsetof(ChatMessageRecord, sender_icon) == 120);
static_assert(offsetof(ChatMessageRecord, user_id) == 128);

}  // namespace beastfinder::host
