#include "ui/numeric_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace plotwright::ui {

namespace {

bool isDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

// Replaces [from, to) of the state's text by `insert` and puts the caret after it.
void replaceRange(EditState& s, int from, int to, std::wstring_view insert)
{
    s.text.replace(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from), insert);
    s.start = s.end = from + static_cast<int>(insert.size());
}

// Inserts a character in place of the selection, then brings the text back to its
// canonical form; the caret stays where the insertion left it (within the text).
void insertAndRefilter(EditState& s, wchar_t ch, const NumericFormat& format)
{
    replaceRange(s, s.start, s.end, std::wstring_view(&ch, 1));
    std::wstring canonical = CanonicalNumberText(s.text, format);
    if (canonical != s.text) {
        s.text = std::move(canonical);
        s.start = s.end = std::min(s.start, static_cast<int>(s.text.size()));
    }
}

bool typeSign(EditState& s, const NumericFormat& format)
{
    const wchar_t sign = format.negativeSign;
    const int length = static_cast<int>(s.text.size());
    const bool hasSign = !s.text.empty() && s.text.front() == sign;
    if (s.start == 0) {
        if (!hasSign)
            replaceRange(s, s.start, s.end, std::wstring_view(&sign, 1));
        else if (s.end == length)
            replaceRange(s, 0, length, std::wstring_view(&sign, 1));
        else
            replaceRange(s, 0, 1, std::wstring_view(&sign, 1));  // the text stays as it is
        return true;
    }
    // The caret is inside the number: the sign toggles and the selection follows the text.
    if (hasSign) {
        s.text.erase(0, 1);
        --s.start;
        --s.end;
    } else {
        s.text.insert(s.text.begin(), sign);
        ++s.start;
        ++s.end;
    }
    return true;
}

bool typePoint(EditState& s, const NumericFormat& format)
{
    const auto point = s.text.find(format.decimalPoint);
    if (point == std::wstring::npos || (static_cast<int>(point) >= s.start && static_cast<int>(point) < s.end)) {
        insertAndRefilter(s, format.decimalPoint, format);
    } else {
        // There is a point already: typing one steps over to the fraction.
        s.start = s.end = static_cast<int>(point) + 1;
    }
    return true;
}

bool typeDigit(EditState& s, wchar_t digit, const NumericFormat& format)
{
    const int length = static_cast<int>(s.text.size());
    const auto pointAt = s.text.find(format.decimalPoint);
    const int point = pointAt == std::wstring::npos ? length : static_cast<int>(pointAt);
    const int signLength = (!s.text.empty() && s.text.front() == format.negativeSign) ? 1 : 0;

    if (s.start <= point) {
        const bool full = point - signLength >= format.integerDigits;
        if (!full) {
            insertAndRefilter(s, digit, format);
            return true;
        }
        if (s.start == signLength + format.integerDigits && s.start == s.end)
            return false;
        if (s.start != s.end) {
            insertAndRefilter(s, digit, format);
            return true;
        }
        // Overwrite mode; a caret before the sign overwrites the first digit, not the sign.
        const int at = std::max(s.start, signLength);
        replaceRange(s, at, at + 1, std::wstring_view(&digit, 1));
        return true;
    }

    const int fraction = length - point - 1;
    if (fraction < format.fractionDigits || s.start != s.end) {
        insertAndRefilter(s, digit, format);
        return true;
    }
    if (s.start >= length)
        return false;
    replaceRange(s, s.start, s.start + 1, std::wstring_view(&digit, 1));
    return true;
}

} // namespace

std::wstring CanonicalNumberText(std::wstring_view text, const NumericFormat& format)
{
    std::wstring out;
    out.reserve(text.size() + 1);
    bool negative = false;
    bool pointKept = false;
    int integerDigits = 0;
    int fractionDigits = 0;
    for (const wchar_t c : text) {
        if (c == format.negativeSign && format.negativesAllowed) {
            negative = true;
        } else if (isDigit(c) && !pointKept) {
            if (integerDigits < format.integerDigits) {
                out += c;
                ++integerDigits;
            }
        } else if (isDigit(c)) {
            if (fractionDigits >= format.fractionDigits)
                break;
            out += c;
            ++fractionDigits;
        } else if (c == format.decimalPoint && !pointKept) {
            if (format.fractionDigits <= 0)
                break;
            out += c;
            pointKept = true;
        }
    }
    if (negative)
        out.insert(out.begin(), format.negativeSign);
    return out;
}

bool ApplyTypedCharacter(EditState& state, wchar_t ch, const NumericFormat& format)
{
    EditState s = state;
    const int length = static_cast<int>(s.text.size());
    s.start = std::clamp(std::min(s.start, s.end), 0, length);
    s.end = std::clamp(std::max(state.start, state.end), 0, length);

    bool accepted = false;
    if (ch == format.negativeSign && format.negativesAllowed)
        accepted = typeSign(s, format);
    else if (ch == format.decimalPoint && format.fractionDigits > 0)
        accepted = typePoint(s, format);
    else if (isDigit(ch))
        accepted = typeDigit(s, ch, format);
    if (accepted)
        state = std::move(s);
    return accepted;
}

std::wstring FormatNumber(double x, bool trim, const NumericFormat& format)
{
    // Six decimals, as printf's "%lf", without consulting the C locale.
    char buffer[512];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, 6);
    std::string text(buffer, result.ptr);
    if (trim && text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0')
            text.pop_back();
        if (!text.empty() && text.back() == '.')
            text.pop_back();
    }
    std::wstring out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '.')
            out += format.decimalPoint;
        else if (c == '-')
            out += format.negativeSign;
        else
            out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return out;
}

double ParseNumber(std::wstring_view text, const NumericFormat& format)
{
    std::string digits;
    bool negative = false;
    bool point = false;
    bool significant = false;  // a non-zero digit before the point
    for (const wchar_t c : text) {
        if (isDigit(c)) {
            digits += static_cast<char>(c);
            significant = significant || (!point && c != L'0');
        } else if (c == format.decimalPoint && !point) {
            digits += '.';
            point = true;
        } else if (c == format.negativeSign) {
            negative = true;
        }
    }
    double value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        value = significant ? std::numeric_limits<double>::infinity() : 0.0;
    else if (result.ec != std::errc())
        value = 0;
    return negative ? -value : value;
}

std::wstring RangeMessage(double lower, double upper, const NumericFormat& format)
{
    const double most = std::numeric_limits<double>::max();
    const bool hasLower = std::isfinite(lower) && lower > -most;
    const bool hasUpper = std::isfinite(upper) && upper < most;
    if (hasLower && hasUpper)
        return L"Please specify a numeric value between " + FormatNumber(lower, true, format) + L" and "
            + FormatNumber(upper, true, format) + L".";
    if (hasLower)
        return L"Please specify a numeric value greater than or equal to " + FormatNumber(lower, true, format) + L".";
    if (hasUpper)
        return L"Please specify a numeric value less than or equal to " + FormatNumber(upper, true, format) + L".";
    return L"Please specify a valid numeric value.";
}

} // namespace plotwright::ui
