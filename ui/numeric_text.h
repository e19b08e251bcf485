#pragma once
// The text rules of a numeric field, apart from any widget: the canonical form of
// a signed decimal number with bounded digit counts, the response to one typed
// character, and the conversions to and from double. Independent of the C locale.

#include <string>
#include <string_view>

namespace plotwright::ui {

struct NumericFormat {
    int integerDigits = 9;   // most digits before the decimal point
    int fractionDigits = 4;  // most digits after it; 0 forbids the point
    bool negativesAllowed = true;
    wchar_t negativeSign = L'-';
    wchar_t decimalPoint = L'.';
    wchar_t groupSeparator = L',';  // never inserted; listed so that it is refused
};

// Sign in front (when allowed and present anywhere), at most integerDigits digits
// (further ones dropped), then optionally the point and at most fractionDigits
// digits (the first further one ends the text). Everything else is dropped.
std::wstring CanonicalNumberText(std::wstring_view text, const NumericFormat& format);

// Text and selection of an edit; the selection is [start, end), start == end for a caret.
struct EditState {
    std::wstring text;
    int start = 0;
    int end = 0;
    bool operator==(const EditState&) const = default;
};

// The state after the user typed the printable character `ch` into `state`
// (assumed canonical). Returns false when the character is refused; `state` is then unchanged.
bool ApplyTypedCharacter(EditState& state, wchar_t ch, const NumericFormat& format);

// x printed with six decimals (with the format's sign and point); with `trim`,
// trailing zeros and then a trailing point removed: 0.1 → "0.1", 100 → "100".
std::wstring FormatNumber(double x, bool trim, const NumericFormat& format);

// The number a text denotes: its digits, its first decimal point and a sign anywhere
// (moved to the front); everything else is ignored. No digits gives 0.
double ParseNumber(std::wstring_view text, const NumericFormat& format);

// The prompt of a range check for [lower, upper]; a bound that is infinite or the
// largest finite double counts as absent. Bounds are formatted as FormatNumber(trim).
std::wstring RangeMessage(double lower, double upper, const NumericFormat& format);

} // namespace plotwright::ui
