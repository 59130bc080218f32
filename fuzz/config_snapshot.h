// Everything a configuration load may change, as comparable text.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "config/config.h"
#include "config/key_table.h"
#include "config/messages.h"

namespace fuzz {

inline void Put(std::ostringstream& out, const beastfinder::host::ColorRGBA& c) {
    out << c.r << ',' << c.g << ',' << c.b << ',' << c.a << ';';
}

// Each setting the key table describes, as "name=value;".
class SettingsText {
  public:
    explicit SettingsText(std::ostringstream& out) : out_(out) {}

    template <typename Body>
    void Section(std::string_view name, std::string_view, Body&& body) {
        out_ << name << '{';
        body();
        out_ << '}';
    }
    void Bool(std::string_view name, bool& field, bool, std::string_view) { Put(name, field); }
    void Integer(std::string_view name, std::int32_t& field, std::int32_t,
                 beastfinder::config::Floor, std::string_view) {
        Put(name, field);
    }
    void Number(std::string_view name, float& field, double, std::string_view) { Put(name, field); }
    void Text(std::string_view name, std::string& field, std::string_view,
              beastfinder::config::AsciiRule, std::string_view) {
        Put(name, field);
    }
    void Colour(std::string_view name, beastfinder::host::ColorRGBA& field,
                const beastfinder::config::ColourRule&, std::string_view) {
        out_ << name << '=';
        fuzz::Put(out_, field);
    }
    void NameList(std::string_view name,
                  beastfinder::host::HostArray<beastfinder::host::FString>& field,
                  std::string_view) {
        out_ << name << '=';
        for (const auto& each : field) {
            out_ << beastfinder::host::FStringToUtf8(each) << '|';
        }
        out_ << ';';
    }

  private:
    template <typename Value>
    void Put(std::string_view name, const Value& value) {
        out_ << name << '=' << value << ';';
    }

    std::ostringstream& out_;
};

// Everything a load may change, as text.
inline std::string Snapshot() {
    std::ostringstream out;
    SettingsText settings(out);
    beastfinder::config::DescribeSettings(settings, beastfinder::Config());
    out << '\n';
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
