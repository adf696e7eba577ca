// Strict parsing of a decimal integer argument.
#ifndef PARSE_INT_H
#define PARSE_INT_H

#include <climits>
#include <cstdint>
#include <string>

namespace bsp_levels {

// Reads text as a whole decimal int: an optional sign and at least one digit,
// nothing else (no blanks, no trailing characters), within int's range.
inline bool Parse_Int(const std::string& text, int& value) {
    std::string::size_type i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > std::int64_t(INT_MAX) + 1) return false;  // stays far below overflow
    }
    const std::int64_t v = negative ? -magnitude : magnitude;
    if (v < INT_MIN || v > INT_MAX) return false;
    value = int(v);
    return true;
}

}  // namespace bsp_levels

#endif
