#pragma once
// Numbers as text at the edges (files, command lines, messages): always with "." and
// never touched by the user's locale.

#include <optional>
#include <string>
#include <string_view>

namespace plotwright::base {

// A finite number written with "." ("1.5", "-2", "+3e2", " 4" is refused). Empty when the
// text is anything else, "1,5" and "nan" included.
std::optional<double> parseNumber(std::string_view text);

// Shortest text that reads back as the same double ("0.1", "6.28319", "1e-20").
std::string formatShortest(double value);
// 17 significant digits, as printf's "%.17g" in the C locale; "nan", "inf", "-inf".
std::string formatPrecise(double value);

// Appends `value` in decimal digits.
void appendDecimal(std::wstring& out, long long value);

} // namespace plotwright::base
