// Everything a configuration load may change, as comparable text.
#pragma once

#include <sstream>
#include <string>

#include "config/config.h"
#include "config/messages.h"

namespace fuzz {

inline void Put(std::ostringstream& out, const beastfinder::host::ColorRGBA& c) {
    out << c.r << ',' << c.g << ',' << c.b << ',' << c.a << ';';
}

template <typename T>
inline void PutSpend(std::ostringstream& out, const T& t) {
    out << t.Permission.Enabled << t.Permission.Name << ';' << t.CoinVault.Enabled
        << t.CoinVault.Type << ';' << t.CoinVault.Cost << ';' << t.ArkShop.Enabled << ';'
        << t.ArkShop.Cost << ';' << t.Command << ';' << t.Cooldown << ';' << t.RequiresAdmin
        << t.ShowDistance << t.ShowExactCoords << t.ShowLevel << ';';
}

// Everything a load may change, as text.
inline std::string Snapshot() {
    const auto& c = beastfinder::Config();
    std::ostringstream out;
    const auto& g = c.GlobalSettings;
    out << g.ShowCoordsCombined << ';' << g.DinosPerPage << ';' << g.DisplayTime << ';'
        << g.DisplayScale << ';' << g.LogPayments << ';';
    Put(out, g.TextColor);
    out << c.PremiumSettings.TrackingArrow.Enabled << ';'
        << c.PremiumSettings.TrackingArrow.DisplayTime << ';';
    Put(out, c.PremiumSettings.TrackingArrow.Color);
    const auto& w = c.WildTracker;
    PutSpend(out, w);
    out << w.Enabled << w.ShowColors << ';' << w.MaxDistance << ';' << w.MaxLevel << ';'
        << w.MinLevel << ';';
    for (const auto& name : w.ExcludeSearch) {
        out << beastfinder::host::FStringToUtf8(name) << '|';
    }
    PutSpend(out, c.TameTracker);
    out << c.AdminTracker.Command << ';' << c.AdminTracker.Permission.Enabled
        << c.AdminTracker.Permission.Name << '\n';
    for (const auto& m : beastfinder::MessageCatalogue()) {
        out << m.name << "=";
        for (const char16_t unit : m.text) {
            out << static_cast<unsigned>(unit) << ",";
        }
        out << ";" << m.opacity << ';' << m.display_scale << ';' << m.display_time << ';';
        Put(out, m.color);
        out << '\n';
    }
    for (std::size_t i = 0; i < beastfinder::kPlayerTexts.size(); ++i) {
        out << beastfinder::kPlayerTexts[i].name << "=";
        for (const char16_t unit : beastfinder::TextOf(static_cast<beastfinder::PlayerText>(i))) {
            out << static_cast<unsigned>(unit) << ",";
        }
        out << '\n';
    }
    return out.str();
}

}  // namespace fuzz
