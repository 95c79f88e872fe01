#include "common/Numbers.h"

#include <cmath>
#include <limits>
#include <locale>
#include <sstream>
#include <string>

namespace common {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t SkipBlanks(std::string_view text, size_t i) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    return i;
}

size_t SkipDigits(std::string_view text, size_t i) {
    while (i < text.size() && IsDigit(text[i])) ++i;
    return i;
}

// Length of the decimal number at the start of text, 0 when there is none.
size_t NumberLength(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t integerEnd = SkipDigits(text, i);
    size_t end = integerEnd;
    bool hasDigits = integerEnd > i;
    if (end < text.size() && text[end] == '.') {
        size_t fractionEnd = SkipDigits(text, end + 1);
        hasDigits = hasDigits || fractionEnd > end + 1;
        end = fractionEnd;
    }
    if (!hasDigits) return 0;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        size_t exponent = end + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
        size_t exponentEnd = SkipDigits(text, exponent);
        if (exponentEnd > exponent) end = exponentEnd;
    }
    return end;
}

// Independent of the program's locale: the texts always use a decimal point. A number too
// large for a double reads as the largest one, too small as 0.
double Parse(std::string_view number) {
    if (!number.empty() && number[0] == '+') number.remove_prefix(1);
    std::istringstream in{std::string(number)};
    in.imbue(std::locale::classic());
    double value = 0;
    in >> value;
    return value;
}

}  // namespace

double NumericValue(std::string_view text) {
    text.remove_prefix(SkipBlanks(text, 0));
    size_t length = NumberLength(text);
    return length == 0 ? 0.0 : Parse(text.substr(0, length));
}

double RoundHalfEven(double value) {
    double lower = std::floor(value);
    double fraction = value - lower;
    if (fraction < 0.5) return lower;
    if (fraction > 0.5) return lower + 1;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1;
}

std::optional<int32_t> ToInteger(std::string_view text) {
    size_t start = SkipBlanks(text, 0);
    size_t length = NumberLength(text.substr(start));
    if (length == 0 || SkipBlanks(text, start + length) != text.size()) return std::nullopt;
    double rounded = RoundHalfEven(Parse(text.substr(start, length)));
    if (!(rounded >= std::numeric_limits<int32_t>::min() &&
          rounded <= std::numeric_limits<int32_t>::max())) {
        return std::nullopt;
    }
    return static_cast<int32_t>(rounded);
}

}  // namespace common
