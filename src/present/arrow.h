// The tracking arrow: three debug lines toward a creature and its name floating at the tip.
#pragma once

#include "host/fstring.h"
#include "host/game.h"
#include "host/values.h"

namespace beastfinder {

// Draws for `controller` an arrow from just in front of `from` toward `to` (at most 600
// units long) and `label` above its tip, both shown for `duration` seconds.
void DrawTrackingArrow(AShooterPlayerController* controller, const host::Vector3& from,
                       const host::Vector3& to, float duration, const host::ColorRGBA& colour,
                       const host::FString& label);

// The label's 8-bit colour: each channel x255, truncated and wrapped into 8 bits; a channel
// that is not a finite number gives 0. Alpha is always 255.
host::ColorBGRA8 LabelColor(const host::ColorRGBA& colour) noexcept;

}  // namespace beastfinder
