// Only the parse lives here: GCC 12 reports the library's inlined DOM builder as reading a
// string as a map (-Warray-bounds, a false positive), and the warning can only be silenced
// for a whole file.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif

#include "config/json_reader.h"

namespace beastfinder::config {

Json ParseFirstValue(std::istream& in) {
    Json document;
    in >> document;  // not strict: stops after the first complete value
    return document;
}

}  // namespace beastfinder::config
