#pragma once
// Numbers as library files write and read them: always with "." as the decimal
// separator, whatever the user's locale.

#include <string>
#include <string_view>

namespace plotwright::model {

// "%d".
void AppendInteger(std::wstring& out, int value);

// A real right-aligned in a field of at least ten characters, in the form that reads
// back to exactly the same double: two decimals ("      0.10") whenever those suffice;
// otherwise the fewest decimals that do ("   6.28319"); for values that need more than
// 30 decimals, the shortest exponent form ("     1e-40"). Non-finite values are written
// "nan", "inf" and "-inf", which ParseReal reads back.
void AppendReal(std::wstring& out, double value);
std::wstring FormatReal(double value);

// Leading whitespace, an optional sign, then decimal digits up to the first other
// character; no digits gives 0, values beyond the int range are clamped to it.
int ParseInteger(std::wstring_view text);

// Leading whitespace, then the longest decimal number at the start: optional sign,
// digits with an optional fraction, an optional exponent; also "inf", "infinity" and
// "nan" in any case. Nothing readable gives 0.0; magnitudes beyond the double range give
// +-infinity, below it +-0.
double ParseReal(std::wstring_view text);

} // namespace plotwright::model
