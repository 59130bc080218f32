// Whether an administrator's text can be a format for the values it is sent with.
#pragma once

#include <string_view>

namespace beastfinder {

// Why a format text could grow without bound when formatted, or empty when it cannot.
std::string_view UnboundedField(std::u16string_view text);

}  // namespace beastfinder
