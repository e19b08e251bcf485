#include "dxf/scan.h"

#include <algorithm>
#include <charconv>

namespace plotwright::dxf::detail {

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool parseDouble(std::string_view text, double& value)
{
    text = trimmed(text);
    // from_chars takes no leading '+', which some writers put before exponents' mantissas.
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    // Out of range (overflow or underflow below the subnormals) is not a usable number.
    return ec == std::errc() && ptr == end;
}

bool parseInt(std::string_view text, long long& value)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool parseHandle(std::string_view text, unsigned long long& value)
{
    text = trimmed(text);
    if (text.empty() || text.size() > 16)
        return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, 16);
    return ec == std::errc() && ptr == end;
}

std::string_view DxfPairScanner::takeLine()
{
    // Lines end with LF, CR LF, or (in files from old Macintosh programs) CR alone.
    // A plain loop: lines are short, and find_first_of looks each character up in its
    // set by a call of its own.
    const std::size_t start = pos_;
    const char* const data = text_.data();
    std::size_t stop = start;
    while (stop < text_.size() && data[stop] != '\n' && data[stop] != '\r')
        ++stop;
    pos_ = stop;
    if (pos_ < text_.size() && text_[pos_] == '\r')
        ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n' && (pos_ == stop || text_[stop] == '\r'))
        ++pos_;
    ++line_;
    return text_.substr(start, stop - start);
}

DxfPairScanner::Step DxfPairScanner::next(DxfPair& pair)
{
    // Blank lines at the very end (after EOF, or a final newline) are not a pair.
    if (pos_ >= text_.size())
        return Step::end;
    pair.offset = pos_;
    pair.line = line_;
    const std::string_view codeLine = takeLine();
    long long code = 0;
    if (!parseInt(codeLine, code) || code < -32768 || code > 32767) {
        pair.value = codeLine;
        return Step::badCode;
    }
    pair.code = static_cast<int>(code);
    if (pos_ >= text_.size())
        return Step::missingValue;
    pair.valueOffset = pos_;
    pair.value = takeLine();
    pair.end = pos_;
    return Step::pair;
}

} // namespace plotwright::dxf::detail
