#include "present/arrow.h"

#include <algorithm>
#include <cmath>

namespace beastfinder {

namespace {

constexpr float kMaxLength = 600.0F;
constexpr float kGap = 50.0F;
constexpr float kBarbBack = 0.1F;
constexpr float kBarbSide = 0.5F;  // of the barb length, which is kBarbBack of the arrow
constexpr float kThickness = 2.0F;
constexpr float kLabelRise = 20.0F;
constexpr float kLabelScale = 0.5F;
constexpr float kLabelSpeed = 10.0F;
constexpr float kTinySquared = 1e-8F;

using host::Vector3;

Vector3 operator+(Vector3 a, Vector3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vector3 operator-(Vector3 a, Vector3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vector3 operator-(Vector3 a) {
    return {-a.x, -a.y, -a.z};
}
Vector3 operator*(float k, Vector3 a) {
    return {k * a.x, k * a.y, k * a.z};
}
float LengthSquared(Vector3 a) {
    return a.x * a.x + a.y * a.y + a.z * a.z;
}

// A vector too short to have a direction is left as it is.
Vector3 Normalised(Vector3 a) {
    const float squared = LengthSquared(a);
    if (!(squared > kTinySquared)) {
        return a;
    }
    const float length = std::sqrt(squared);
    return {a.x / length, a.y / length, a.z / length};
}

// Truncation toward zero kept in 8 bits, without the undefined conversion of a float
// outside the byte's range.
std::uint8_t ChannelByte(float channel) noexcept {
    const float scaled = std::trunc(channel * 255.0F);
    if (!std::isfinite(scaled)) {
        return 0;
    }
    float wrapped = std::fmod(scaled, 256.0F);
    if (wrapped < 0.0F) {
        wrapped += 256.0F;
    }
    return static_cast<std::uint8_t>(wrapped);
}

}  // namespace

host::ColorBGRA8 LabelColor(const host::ColorRGBA& colour) noexcept {
    return {ChannelByte(colour.b), ChannelByte(colour.g), ChannelByte(colour.r), 255};
}

void DrawTrackingArrow(AShooterPlayerController* controller, const host::Vector3& from,
                       const host::Vector3& to, float duration, const host::ColorRGBA& colour,
                       const host::FString& label) {
    const Vector3 offset = to - from;
    const float length = std::sqrt(LengthSquared(offset));
    const Vector3 direction = Normalised(offset);
    const Vector3 side = Normalised(Vector3{direction.y, -direction.x, 0.0F});
    const float arrow = std::min(kMaxLength, length);

    const Vector3 start = from + kGap * direction;
    const Vector3 tip = from + arrow * direction;
    const Vector3 half_side = kBarbSide * side;
    const float barb = kBarbBack * arrow;
    const Vector3 barb1 = barb * (half_side - direction);
    const Vector3 barb2 = barb * (-half_side - direction);

    host::MulticastDrawDebugLine(controller, start, tip, colour, duration, kThickness);
    host::MulticastDrawDebugLine(controller, tip, tip + barb1, colour, duration, kThickness);
    host::MulticastDrawDebugLine(controller, tip, tip + barb2, colour, duration, kThickness);
    host::ClientAddFloatingText(controller, tip + Vector3{0.0F, 0.0F, kLabelRise}, label,
                                LabelColor(colour), kLabelScale, kLabelScale, duration,
                                Vector3{0.0F, 0.0F, kLabelSpeed});
}

}  // namespace beastfinder
