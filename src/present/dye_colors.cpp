#include "present/dye_colors.h"

#include <cmath>
#include <iterator>

namespace beastfinder {

namespace {

// Names may repeat: two rows can share a name with different values.
constexpr DyeColor kDyeColors[] = {
    {"Red", 255.0F, 0.0F, 0.0F, 0.0F},
    {"Blue", 0.0F, 0.0F, 255.0F, 0.0F},
    {"Green", 0.0F, 255.0F, 0.0F, 0.0F},
    {"Yellow", 255.0F, 255.0F, 0.0F, 0.0F},
    {"Cyan", 0.0F, 255.0F, 255.0F, 0.0F},
    {"Magenta", 255.0F, 0.0F, 255.0F, 0.0F},
    {"Light Green", 135.788F, 255.0F, 127.5F, 0.0F},
    {"Light Grey", 148.162F, 153.0F, 151.513F, 0.0F},
    {"Light Grey", 0.39157248F, 0.39157248F, 0.39157248F, 1.0F},
    {"Light Brown", 48.45F, 35.0375F, 25.194F, 0.0F},
    {"Light Orange", 255.0F, 117.856F, 38.25F, 0.0F},
    {"Light Yellow", 255.0F, 242.746F, 66.3F, 0.0F},
    {"Light Red", 255.0F, 46.1313F, 38.25F, 0.0F},
    {"Dark Grey", 51.0F, 51.0F, 51.0F, 0.0F},
    {"Black", 10.2F, 10.2F, 10.2F, 0.0F},
    {"Brown", 25.5F, 9.88813F, 4.96664F, 0.0F},
    {"Dark Green", 3.14644F, 16.575F, 0.0F, 0.0F},
    {"Dark Red", 57.375F, 2.89093F, 1.43438F, 0.0F},
    {"White", 255.0F, 255.0F, 255.0F, 0.0F},
    {"White", 255.0F, 255.0F, 255.0F, 1.0F},
    {"Dino Light Red", 255.0F, 102.0F, 102.0F, 0.0F},
    {"Dino Dark Red", 25.5F, 5.1F, 5.1F, 0.0F},
    {"Dino Light Orange", 255.0F, 121.125F, 76.5F, 0.0F},
    {"Dino Dark Orange", 63.75F, 21.4738F, 6.375F, 0.0F},
    {"Dino Light Yellow", 153.0F, 153.0F, 91.8F, 0.0F},
    {"Dino Dark Yellow", 76.5F, 76.5F, 38.25F, 0.0F},
    {"Dino Light Green", 191.25F, 255.0F, 191.25F, 0.0F},
    {"Dino Medium Green", 49.725F, 76.5F, 49.725F, 0.0F},
    {"Dino Dark Green", 3.1875F, 12.75F, 3.1875F, 0.0F},
    {"Dino Light Blue", 178.5F, 191.25F, 255.0F, 0.0F},
    {"Dino Dark Blue", 9.5625F, 13.2814F, 31.875F, 0.0F},
    {"Dino Light Purple", 198.9F, 178.5F, 255.0F, 0.0F},
    {"Dino Dark Purple", 12.4101F, 7.65F, 25.5F, 0.0F},
    {"Dino Light Brown", 255.0F, 191.25F, 127.5F, 0.0F},
    {"Dino Medium Brown", 76.5F, 61.2F, 45.9F, 0.0F},
    {"Dino Dark Brown", 25.5F, 19.125F, 12.75F, 0.0F},
    {"Dino Darker Grey", 25.5F, 25.5F, 25.5F, 0.0F},
    {"Dino Albino", 446.25F, 446.25F, 446.25F, 0.0F},
    {"Bigfoot0", 122.4F, 79.1614F, 58.917F, 1.0F},
    {"Bigfoot4", 210.375F, 179.755F, 170.404F, 1.0F},
    {"Bigfoot5", 161.925F, 100.298F, 76.9144F, 1.0F},
    {"WolfFur", 141.525F, 117.162F, 89.8684F, 1.0F},
    {"DarkWolfFur", 63.75F, 47.2308F, 34.1063F, 1.0F},
    {"DragonBase0", 91.8F, 34.0216F, 17.2099F, 0.0F},
    {"DragonBase1", 154.275F, 49.2731F, 23.1413F, 0.0F},
    {"DragonFire", 130.05F, 19.7031F, 0.0F, 0.0F},
    {"DragonGreen0", 49.1385F, 59.925F, 38.352F, 0.0F},
    {"DragonGreen1", 72.8624F, 86.7F, 49.0579F, 0.0F},
    {"DragonGreen2", 98.175F, 95.7456F, 67.1293F, 0.0F},
    {"DragonGreen3", 45.084F, 75.5394F, 86.7F, 0.0F},
    {"WyvernPurple0", 48.6866F, 44.6928F, 79.05F, 1.0F},
    {"WyvernPurple1", 112.649F, 94.1333F, 136.425F, 0.0F},
    {"WyvernBlue0", 31.2248F, 57.0953F, 100.725F, 0.0F},
    {"WyvernBlue1", 16.065F, 27.1708F, 45.9F, 0.0F},
    {"Dino Medium Blue", 29.4525F, 96.7988F, 210.375F, 0.0F},
    {"Dino Deep Blue", 14.4139F, 35.4078F, 169.575F, 0.0F},
    {"NearWhite", 216.75F, 216.75F, 216.75F, 0.0F},
    {"NearBlack", 20.4F, 20.4F, 20.4F, 0.0F},
    {"DarkTurquoise", 1.42928F, 14.3126F, 14.7403F, 0.0F},
    {"MediumTurquoise", 0.0F, 42.1087F, 29.8276F, 0.0F},
    {"Turquoise", 0.0F, 144.002F, 105.198F, 0.0F},
    {"GreenSlate", 12.2839F, 25.4742F, 17.9418F, 0.0F},
    {"Sage", 11.5224F, 19.4272F, 12.2839F, 0.0F},
    {"DarkWarmGrey", 10.4333F, 9.4067F, 9.07826F, 0.0F},
    {"MediumWarmGrey", 24.8847F, 22.6073F, 22.0575F, 0.0F},
    {"LightWarmGrey", 84.7753F, 74.4016F, 72.203F, 0.0F},
    {"DarkCement", 20.9822F, 26.6771F, 23.73F, 0.0F},
    {"LightCement", 65.8367F, 92.1333F, 78.9146F, 0.0F},
    {"LightPink", 205.773F, 112.113F, 255.0F, 0.0F},
    {"DeepPink", 255.0F, 0.69666F, 83.5834F, 0.0F},
    {"DarkViolet", 44.535F, 0.0F, 15.1753F, 0.0F},
    {"DarkMagenta", 122.227F, 0.0F, 13.0736F, 0.0F},
    {"BurntSienna", 54.1189F, 7.53703F, 2.32917F, 0.0F},
    {"MediumAutumn", 102.504F, 6.69146F, 0.0F, 0.0F},
    {"Vermillion", 220.105F, 6.96686F, 0.0F, 0.0F},
    {"Coral", 255.0F, 24.8847F, 7.83181F, 0.0F},
    {"Orange", 255.0F, 55.0446F, 0.0F, 0.0F},
    {"Peach", 255.0F, 99.8511F, 10.0842F, 0.0F},
    {"LightAutumn", 109.316F, 42.1087F, 0.0F, 0.0F},
    {"Mustard", 76.6387F, 76.6387F, 4.28578F, 0.0F},
    {"ActualBlack", 1.275F, 1.275F, 1.275F, 0.0F},
    {"MidnightBlue", 1.5425F, 2.18484F, 8.44178F, 0.0F},
    {"DarkBlue", 1.11971F, 5.1737F, 9.74202F, 0.0F},
    {"BlackSands", 6.69146F, 3.68322F, 6.96686F, 0.0F},
    {"LemonLime", 101.173F, 255.0F, 13.8924F, 0.0F},
    {"Mint", 9.07826F, 207.786F, 60.7915F, 0.0F},
    {"Jade", 0.0F, 63.7903F, 12.2839F, 0.0F},
    {"PineGreen", 0.541875F, 22.6073F, 5.90402F, 0.0F},
    {"SpruceGreen", 0.0F, 26.6771F, 14.3126F, 0.0F},
    {"LeafGreen", 26.6771F, 80.0672F, 3.68322F, 0.0F},
    {"DarkLavender", 28.5427F, 4.28578F, 29.1809F, 0.0F},
    {"MediumLavender", 60.7915F, 8.13348F, 62.7813F, 0.0F},
    {"Lavender", 131.304F, 47.8944F, 132.854F, 0.0F},
    {"DarkTeal", 0.464355F, 12.2839F, 16.9896F, 0.0F},
    {"MediumTeal", 0.61914F, 22.6073F, 31.8169F, 0.0F},
    {"Teal", 0.937635F, 59.8105F, 85.9768F, 0.0F},
    {"PowderBlue", 57.8763F, 99.8511F, 255.0F, 0.0F},
    {"Glacial", 106.561F, 209.81F, 255.0F, 0.0F},
    {"Cammo", 19.9377F, 20.4561F, 1.42928F, 0.0F},
    {"DryMoss", 47.0411F, 40.5351F, 11.8996F, 0.0F},
    {"Custard", 135.985F, 131.304F, 28.5427F, 0.0F},
    {"Cream", 230.689F, 255.0F, 135.985F, 0.0F},
};

static_assert(std::size(kDyeColors) == 102);

// 0.0001 as the nearest 32-bit float.
constexpr float kTolerance = 9.99999975e-05F;

bool Near(float value, float expected) noexcept {
    return std::fabs(value - expected) < kTolerance;
}

}  // namespace

std::span<const DyeColor> DyeColorTable() noexcept {
    return kDyeColors;
}

std::string DyeColorName(host::ColorRGBA colour) {
    const float red = colour.r * 255.0F;
    const float green = colour.g * 255.0F;
    const float blue = colour.b * 255.0F;
    for (const DyeColor& row : kDyeColors) {
        // NaN fails every comparison, so it names nothing.
        if (Near(red, row.red) && Near(green, row.green) && Near(blue, row.blue) &&
            Near(colour.a, row.alpha)) {
            return row.name;
        }
    }
    return "Unknown";
}

}  // namespace beastfinder
