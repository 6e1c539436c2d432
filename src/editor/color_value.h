#pragma once
// Stored colour values: 0x00BBGGRR; clNone (0x1FFFFFFF) is "no colour" (the default colour
// applies). System colours carry 0xFF in the high byte and the system colour index below.
#include <cstdint>

namespace qv {

using TColor = uint32_t;
inline constexpr TColor clNone = 0x1FFFFFFF;

} // namespace qv
