#pragma once
// Locale-independent decimal integers for the texts of markup messages.

#include <charconv>
#include <string>

namespace plotwright::markup {

inline void appendDecimal(std::wstring& out, long long value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

} // namespace plotwright::markup
