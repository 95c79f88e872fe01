// Numbers from texts, and rounding, the way the programs' own arithmetic expects them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace common {

// Leading blanks skipped, the longest leading decimal number taken (sign, digits, fraction,
// exponent), 0 when the text does not begin with a number.
double NumericValue(std::string_view text);

// The nearest whole number, an exact half going to the even neighbour.
double RoundHalfEven(double value);

// The whole text (blanks around it allowed) as a number rounded half to even; nothing when the
// text is not a number or the result does not fit 32 bits.
std::optional<int32_t> ToInteger(std::string_view text);

}  // namespace common
