#include "model/library_numbers.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace plotwright::model {

namespace {

constexpr std::size_t kFieldWidth = 10;
constexpr int kMaxFixedDecimals = 30;

bool isSpace(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

wchar_t lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool startsWithNoCase(std::wstring_view text, std::size_t at, std::wstring_view word)
{
    if (text.size() - at < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (lower(text[at + i]) != word[i])
            return false;
    return true;
}

// Bit-exact, so that -0.0 is told apart from 0.0.
bool readsBack(const char* first, const char* last, double value)
{
    double read = 0;
    auto [ptr, ec] = std::from_chars(first, last, read);
    return ec == std::errc() && ptr == last && std::bit_cast<std::uint64_t>(read) == std::bit_cast<std::uint64_t>(value);
}

void appendPadded(std::wstring& out, std::string_view text)
{
    if (text.size() < kFieldWidth)
        out.append(kFieldWidth - text.size(), L' ');
    for (char c : text)
        out += static_cast<wchar_t>(c);
}

void appendPadded(std::wstring& out, const char* first, const char* last)
{
    appendPadded(out, std::string_view(first, static_cast<std::size_t>(last - first)));
}

} // namespace

void AppendInteger(std::wstring& out, int value)
{
    char buffer[16];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    for (const char* p = buffer; p != result.ptr; ++p)
        out += static_cast<wchar_t>(*p);
}

void AppendReal(std::wstring& out, double value)
{
    if (std::isnan(value)) {
        appendPadded(out, "nan");
        return;
    }
    if (std::isinf(value)) {
        appendPadded(out, value < 0 ? "-inf" : "inf");
        return;
    }
    // Room for the widest fixed forms: 309 integer digits of DBL_MAX with two decimals,
    // or the 324 decimals of the smallest subnormal.
    char buffer[400];
    char* const end = buffer + sizeof buffer;
    auto result = std::to_chars(buffer, end, value, std::chars_format::fixed, 2);
    if (result.ec == std::errc() && readsBack(buffer, result.ptr, value)) {
        appendPadded(out, buffer, result.ptr);
        return;
    }
    // The shortest fixed form that reads back has the fewest decimals.
    result = std::to_chars(buffer, end, value, std::chars_format::fixed);
    const char* point = std::char_traits<char>::find(buffer, static_cast<std::size_t>(result.ptr - buffer), '.');
    const int decimals = point ? static_cast<int>(result.ptr - point - 1) : 0;
    if (result.ec != std::errc() || decimals > kMaxFixedDecimals) {
        result = std::to_chars(buffer, end, value, std::chars_format::scientific);
        appendPadded(out, buffer, result.ptr);
        return;
    }
    // Never fewer than the two decimals of the usual form (zeros change no value).
    char* last = result.ptr;
    if (!point)
        *last++ = '.';
    for (int d = decimals; d < 2; ++d)
        *last++ = '0';
    appendPadded(out, buffer, last);
}

std::wstring FormatReal(double value)
{
    std::wstring out;
    AppendReal(out, value);
    return out;
}

int ParseInteger(std::wstring_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
        negative = text[i++] == L'-';
    // Accumulate in 64 bits and stop growing past the int range: no overflow anywhere.
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<int>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && isDigit(text[i]); ++i)
        if (magnitude <= limit)
            magnitude = magnitude * 10 + (text[i] - L'0');
    if (negative)
        return magnitude >= limit ? std::numeric_limits<int>::min() : static_cast<int>(-magnitude);
    return magnitude >= limit ? std::numeric_limits<int>::max() : static_cast<int>(magnitude);
}

double ParseReal(std::wstring_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
        negative = text[i++] == L'-';
    const double sign = negative ? -1.0 : 1.0;

    if (startsWithNoCase(text, i, L"inf"))
        return sign * std::numeric_limits<double>::infinity();
    if (startsWithNoCase(text, i, L"nan"))
        return std::numeric_limits<double>::quiet_NaN();

    // Collect the number in narrow form for from_chars, which takes no '+' sign.
    std::string number;
    if (negative)
        number += '-';
    std::size_t digits = 0;
    // Decimal magnitude of the first significant digit, to tell overflow from underflow.
    long long magnitude = 0;
    bool significant = false;
    for (; i < text.size() && isDigit(text[i]); ++i, ++digits) {
        significant = significant || text[i] != L'0';
        magnitude += significant ? 1 : 0;
        number += static_cast<char>(text[i]);
    }
    if (i < text.size() && text[i] == L'.') {
        number += '.';
        for (++i; i < text.size() && isDigit(text[i]); ++i, ++digits) {
            if (!significant && text[i] == L'0')
                --magnitude;
            significant = significant || text[i] != L'0';
            number += static_cast<char>(text[i]);
        }
    }
    if (digits == 0)
        return 0.0;
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == L'+' || text[j] == L'-'))
            negativeExponent = text[j++] == L'-';
        if (j < text.size() && isDigit(text[j])) {
            number += 'e';
            if (negativeExponent)
                number += '-';
            long long exponent = 0;
            for (; j < text.size() && isDigit(text[j]); ++j) {
                number += static_cast<char>(text[j]);
                if (exponent < 1'000'000'000)
                    exponent = exponent * 10 + (text[j] - L'0');
            }
            magnitude += negativeExponent ? -exponent : exponent;
        }
    }
    if (!significant)
        return sign * 0.0;

    double value = 0;
    auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec == std::errc::result_out_of_range)
        return magnitude > 0 ? sign * std::numeric_limits<double>::infinity() : sign * 0.0;
    return ec == std::errc() ? value : 0.0;
}

} // namespace plotwright::model
